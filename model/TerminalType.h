#pragma once

#include <cstdint>

// Where a contact can be reached, as carried with every friend and member.
namespace kiv::terminal {

inline constexpr std::int32_t kSms = 0;
inline constexpr std::int32_t kWap = 1;
inline constexpr std::int32_t kMobileClient = 2;
inline constexpr std::int32_t kPcClient = 3;

// Characters one chat message may have: a PC client takes 500, anything else
// 120.
inline int messageLimit(std::int32_t terminal) {
  return terminal == kPcClient ? 500 : 120;
}

// The list icon (bitmap resource number); any unknown value counts as SMS.
inline int iconResource(std::int32_t terminal) {
  switch (terminal) {
    case kPcClient:
      return 275;
    case kMobileClient:
      return 274;
    case kWap:
      return 277;
    default:
      return 276;
  }
}

// The search results' text (UTF-8): "短信", "WAP端", "手机客户端", "电脑客户端".
const char* textUtf8(std::int32_t terminal);

}  // namespace kiv::terminal
