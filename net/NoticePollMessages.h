#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/MessageNotice.h"
#include "net/Packet.h"

namespace kiv {

// Asks whether messages are waiting; a header with no body, written straight
// to the socket.
struct NoticePollRequest {
  static constexpr std::uint32_t kCommand = 7;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static NoticePollRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const NoticePollRequest&) const = default;
};

// One notice per conversation with waiting messages: status at 24, a one-byte
// count at 25 and the records from 26. Only status 0 means notices follow;
// the records are read whatever the status, the caller decides.
struct NoticePollResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 7;
  static constexpr std::size_t kMaxNotices = 255;

  std::uint8_t status = 0;
  std::vector<MessageNotice> notices{};

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static NoticePollResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const NoticePollResponse&) const = default;
};

}  // namespace kiv
