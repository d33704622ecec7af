#include "net/FetchMessagesMessages.h"

#include "net/RecordList.h"

namespace kiv {

namespace {
constexpr std::size_t kKind = 24, kId = 25;
constexpr ListLayout kLayout{30, 32};
}  // namespace

std::vector<std::uint8_t> FetchMessagesRequest::build(const HeaderKey& key) const {
  PacketWriter w(requestLength(kCommand), kCommand, key);
  w.u8(kKind, static_cast<std::uint8_t>(kind));
  w.u32(kId, id);
  return w.take();
}

FetchMessagesRequest FetchMessagesRequest::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {static_cast<ConversationKind>(r.u8(kKind)), r.u32(kId)};
}

std::vector<std::uint8_t> FetchMessagesResponse::build(const HeaderKey& key) const {
  return buildRecordList(kCommand, key, messages, kLayout);
}

FetchMessagesResponse FetchMessagesResponse::read(const std::uint8_t* data, std::size_t size) {
  return {readRecordList<MessageRecord>(data, size, kLayout)};
}

}  // namespace kiv
