#include "net/FetchMessagesMessages.h"

#include "net/RecordList.h"

namespace kiv {

namespace {
constexpr std::size_t kKind = 24, kId = 25;
constexpr std::size_t kCount = 30, kMessages = 32;
}  // namespace

std::vector<std::uint8_t> FetchMessagesRequest::build(const HeaderKey& key) const {
  PacketWriter w(requestLength(kCommand), kCommand, key);
  w.u8(kKind, kind);
  w.u32(kId, id);
  return w.take();
}

FetchMessagesRequest FetchMessagesRequest::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.u8(kKind), r.u32(kId)};
}

std::vector<std::uint8_t> FetchMessagesResponse::build(const HeaderKey& key) const {
  const std::size_t count = recordsThatFit<MessageRecord>(kMessages, messages.size(), 0x7FFF);
  PacketWriter w = recordPacket(kCommand, key, kMessages, messages, count);
  w.u16(kCount, static_cast<std::uint16_t>(count));
  return w.take();
}

FetchMessagesResponse FetchMessagesResponse::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {readRecords<MessageRecord>(r, r.i16(kCount), kMessages)};
}

}  // namespace kiv
