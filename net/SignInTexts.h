#pragma once

#include <string>

namespace kiv {

// What the user is told when the server refuses a login (result 1-5, UTF-8);
// empty for any other result. `phoneGbk` is the phone of the attempt.
std::string loginRefusalText(int result, const std::string& phoneGbk);

// What the user is told when the account was signed in elsewhere.
inline constexpr const char* kForcedOfflineText = "您的帐号因在其它地方登录被迫下线";

}  // namespace kiv
