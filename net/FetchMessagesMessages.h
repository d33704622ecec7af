#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/ConversationKind.h"
#include "net/MessageRecord.h"
#include "net/Packet.h"

namespace kiv {

// Fetches the waiting messages of one conversation.
struct FetchMessagesRequest {
  static constexpr std::uint32_t kCommand = 8;

  ConversationKind kind = ConversationKind::kPrivate;
  std::uint32_t id = 0;  // UserId or GroupId

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static FetchMessagesRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const FetchMessagesRequest&) const = default;
};

// The waiting messages: a signed 16-bit count at 30 (0 or less: none) and the
// records from 32; at most 57 fit into one packet. Bytes 24..29 are the
// server's own and are not interpreted.
struct FetchMessagesResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 8;

  std::vector<MessageRecord> messages{};

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static FetchMessagesResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const FetchMessagesResponse&) const = default;
};

}  // namespace kiv
