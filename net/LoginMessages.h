#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Signs the account in. The sender thread writes it straight to the socket
// until an answer arrives.
struct LoginRequest {
  static constexpr std::uint32_t kCommand = 1;
  static constexpr std::uint8_t kClientVersion = 5;

  std::string phone{};     // GBK digits; bounded copy into 21 bytes
  std::string password{};  // bounded copy into 16 bytes, so at most 15 are sent
  std::uint8_t clientVersion = kClientVersion;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static LoginRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const LoginRequest&) const = default;
};

struct LoginResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 1;
  enum Result : std::uint8_t {
    kLoggedIn = 0,
    kNotRegistered = 1,
    kCancelled = 2,
    kWrongPassword = 3,
    kVersionTooOld = 4,
    kLoggedInElsewhere = 5,
  };

  std::uint8_t result = kLoggedIn;  // values above 5 are not interpreted

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static LoginResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const LoginResponse&) const = default;
};

}  // namespace kiv
