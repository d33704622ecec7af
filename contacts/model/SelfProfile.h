#pragma once

#include <cstdint>
#include <string>

namespace kiv {

// The signed-in user's own profile, filled once right after sign-in. Texts
// are GBK.
struct SelfProfile {
  std::int32_t userId = 0;
  std::string nickname;   // at most 15 bytes
  std::string sex;        // "男", "女" or "保密"
  std::string signature;  // at most 49 bytes
  std::uint32_t points = 0;
};

}  // namespace kiv
