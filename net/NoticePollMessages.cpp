#include "net/NoticePollMessages.h"

#include "net/RecordList.h"

namespace kiv {

namespace {
constexpr std::size_t kStatus = 24, kCount = 25, kNotices = 26;
}

std::vector<std::uint8_t> NoticePollRequest::build(const HeaderKey& key) const {
  return headerOnlyPacket(kCommand, key);
}

NoticePollRequest NoticePollRequest::read(const std::uint8_t*, std::size_t) {
  return {};
}

std::vector<std::uint8_t> NoticePollResponse::build(const HeaderKey& key) const {
  const std::size_t count = recordsThatFit<MessageNotice>(kNotices, notices.size(), kMaxNotices);
  PacketWriter w = recordPacket(kCommand, key, kNotices, notices, count);
  w.u8(kStatus, status);
  w.u8(kCount, static_cast<std::uint8_t>(count));
  return w.take();
}

NoticePollResponse NoticePollResponse::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.u8(kStatus), readRecords<MessageNotice>(r, r.u8(kCount), kNotices)};
}

}  // namespace kiv
