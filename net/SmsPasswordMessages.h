#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/FieldWidths.h"
#include "net/Packet.h"

namespace kiv {

// Asks the server to send the account's password by SMS; travels on its own
// short-lived connection with its own sequence counter.
struct SmsPasswordRequest {
  static constexpr std::uint32_t kCommand = 2;
  static constexpr std::size_t kPhoneWidth = fields::kSmsPhone;

  std::string phone{};  // the 11 digits, clipped copy without a terminator

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static SmsPasswordRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const SmsPasswordRequest&) const = default;
};

// Exactly 25 bytes on the wire.
struct SmsPasswordResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 2;
  static constexpr std::size_t kLength = 25;
  enum Result : std::uint8_t { kSent = 0, kNotAUser = 1, kMalformedNumber = 2 };

  std::uint8_t result = kSent;  // other values: failure

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static SmsPasswordResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const SmsPasswordResponse&) const = default;
};

}  // namespace kiv
