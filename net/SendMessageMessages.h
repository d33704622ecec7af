#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/ConversationKind.h"
#include "net/FetchMessagesMessages.h"
#include "net/Packet.h"

namespace kiv {

// One chat message to a user or a group. Its length is 33 + the text length;
// a text longer than 3000 bytes is cut to 3000 (never inside a two-byte
// character) before the length is computed.
struct SendMessageRequest {
  static constexpr std::uint32_t kCommand = 6;
  static constexpr std::size_t kTextOffset = 33;

  ConversationKind kind = ConversationKind::kPrivate;
  std::uint32_t target = 0;                  // UserId or GroupId
  std::string text{};                        // GBK, sent without a terminator

  // The text as it goes on the wire.
  std::string_view sentText() const;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  // The text is limited to the bytes present and to 3000.
  static SendMessageRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const SendMessageRequest&) const = default;
};

struct SendMessageResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 6;
  static constexpr std::size_t kLength = 37;
  enum Result : std::uint8_t {
    kDelivered = 0,
    kRemovedFromGroup = 1,   // group conversation
    kBroadcastGroup = 2,     // group conversation: only the owner may speak
    kRecipientCancelled = 3  // private conversation
  };

  std::uint8_t result = kDelivered;  // any other value: not delivered
  std::string serverTime{};          // on delivery: 12 ASCII digits YYMMDDhhmmss

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static SendMessageResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const SendMessageResponse&) const = default;
};

}  // namespace kiv
