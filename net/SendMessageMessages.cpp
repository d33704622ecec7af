#include "net/SendMessageMessages.h"

#include <algorithm>

#include "net/FieldWidths.h"
#include "net/PacketReader.h"
#include "net/PacketWriter.h"
#include "platform/Gbk.h"

namespace kiv {

namespace {
constexpr std::size_t kKind = 24, kTarget = 25, kTextLength = 29;
constexpr std::size_t kResult = 24, kTime = 25, kTimeWidth = fields::kRecordTime;
}  // namespace

std::string_view SendMessageRequest::sentText() const {
  return gbk::cut(text, kMaxMessageText);
}

std::vector<std::uint8_t> SendMessageRequest::build(const HeaderKey& key) const {
  const std::string_view sent = sentText();
  PacketWriter w(kTextOffset + sent.size(), kCommand, key);
  w.u8(kKind, static_cast<std::uint8_t>(kind));
  w.u32(kTarget, target);
  w.u32(kTextLength, static_cast<std::uint32_t>(sent.size()));
  w.bytes(kTextOffset, reinterpret_cast<const std::uint8_t*>(sent.data()), sent.size());
  return w.take();
}

SendMessageRequest SendMessageRequest::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  SendMessageRequest m{static_cast<ConversationKind>(r.u8(kKind)), r.u32(kTarget), {}};
  const std::size_t present = size > kTextOffset ? size - kTextOffset : 0;
  const std::size_t n = std::min<std::size_t>({r.u32(kTextLength), present, kMaxMessageText});
  if (n) m.text.assign(reinterpret_cast<const char*>(data + kTextOffset), n);
  return m;
}

std::vector<std::uint8_t> SendMessageResponse::build(const HeaderKey& key) const {
  PacketWriter w(kLength, kCommand, key);
  w.u8(kResult, result);
  w.clipped(kTime, kTimeWidth, serverTime);
  return w.take();
}

SendMessageResponse SendMessageResponse::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.u8(kResult), r.text(kTime, kTimeWidth)};
}

}  // namespace kiv
