#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Ends the login; a header with no body, written straight to the socket.
struct LogoutRequest {
  static constexpr std::uint32_t kCommand = 16;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static LogoutRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const LogoutRequest&) const = default;
};

// Answers a LogoutRequest; arriving unasked it means the account was signed in
// elsewhere. It has no body.
struct LogoutResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 16;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static LogoutResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const LogoutResponse&) const = default;
};

}  // namespace kiv
