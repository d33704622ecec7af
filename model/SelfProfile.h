#pragma once

#include <cstdint>
#include <string>

#include "net/UserInfoMessages.h"

namespace kiv {

// The signed-in user's own profile, filled once right after sign-in. Texts
// are GBK.
struct SelfProfile {
  std::int32_t userId = 0;
  std::string nickname;   // at most 15 bytes
  std::string sex;        // "男", "女" or "保密"
  std::string signature;  // at most 49 bytes
  std::uint32_t points = 0;

  // The profile an own-profile answer carries.
  static SelfProfile from(const UserInfoResponse& response) {
    SelfProfile profile;
    profile.userId = static_cast<std::int32_t>(response.userId);
    profile.nickname = response.nickname;
    profile.sex = response.sex;
    profile.signature = response.introduction;
    profile.points = static_cast<std::uint32_t>(response.points);
    return profile;
  }
};

}  // namespace kiv
