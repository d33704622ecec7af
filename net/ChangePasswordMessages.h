#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Changes the password. Each password field is 16 bytes wide but carries at
// most the first 10 bytes of the password (clipped copy).
struct ChangePasswordRequest {
  static constexpr std::uint32_t kCommand = 25;
  static constexpr std::size_t kSentBytes = 10;

  std::string oldPassword{};
  std::string newPassword{};

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static ChangePasswordRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const ChangePasswordRequest&) const = default;
};

struct ChangePasswordResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 25;
  enum Result : std::uint8_t {
    kChanged = 0,
    kWrongOldPassword = 1,
    kNewPasswordEmpty = 2,
    kNewPasswordTooLong = 3,
    // Read from an answer that ends before its result byte: it says
    // nothing, and above all not that the password was changed.
    kNoResult = 0xff,
  };

  std::uint8_t result = kChanged;  // other values: system busy

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static ChangePasswordResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const ChangePasswordResponse&) const = default;
};

}  // namespace kiv
