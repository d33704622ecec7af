#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "net/Packet.h"
#include "net/PacketReader.h"
#include "net/PacketWriter.h"

// The answers that carry a count and a run of fixed-size records.
namespace kiv {

// How many of `n` records fit into one packet when they start at `offset`
// (and no more than `cap`, the most the count field can say).
template <class Record>
std::size_t recordsThatFit(std::size_t offset, std::size_t n, std::size_t cap) {
  return std::min({n, (kMaxPacketSize - offset) / Record::kSize, cap});
}

// A packet that ends with `count` records (the first of `records`) at `offset`.
template <class Record>
PacketWriter recordPacket(std::uint32_t command, const HeaderKey& key, std::size_t offset,
                          const std::vector<Record>& records, std::size_t count) {
  PacketWriter w(offset + count * Record::kSize, command, key);
  for (std::size_t i = 0; i < count; ++i) {
    if (std::uint8_t* at = w.at(offset + i * Record::kSize, Record::kSize)) records[i].write(at);
  }
  return w;
}

// The records announced by `announced`, limited to the whole ones present.
template <class Record>
std::vector<Record> readRecords(const PacketReader& r, long announced, std::size_t offset) {
  const std::size_t n = r.records(announced, offset, Record::kSize);
  std::vector<Record> out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) out.push_back(Record::read(r.data() + offset + i * Record::kSize));
  return out;
}

// Where a list answer keeps its signed 16-bit count and its first record.
struct ListLayout {
  std::size_t countOffset;
  std::size_t recordsOffset;
};
// The friend, group and member lists: a byte the client does not interpret at
// 24, the count at 25 and the records from 27.
inline constexpr ListLayout kContactListLayout{25, 27};

template <class Record>
std::vector<std::uint8_t> buildRecordList(std::uint32_t command, const HeaderKey& key,
                                          const std::vector<Record>& records, ListLayout layout = kContactListLayout) {
  const std::size_t count = recordsThatFit<Record>(layout.recordsOffset, records.size(), 0x7FFF);
  PacketWriter w = recordPacket(command, key, layout.recordsOffset, records, count);
  w.u16(layout.countOffset, static_cast<std::uint16_t>(count));
  return w.take();
}

template <class Record>
std::vector<Record> readRecordList(const std::uint8_t* data, std::size_t size, ListLayout layout = kContactListLayout) {
  const PacketReader r(data, size);
  return readRecords<Record>(r, r.i16(layout.countOffset), layout.recordsOffset);
}

}  // namespace kiv
