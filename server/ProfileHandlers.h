#pragma once

#include <cstdint>
#include <vector>

#include "server/Request.h"
#include "server/ServerContext.h"

namespace kiv::server {

// User profiles and the password change.
class ProfileHandlers {
 public:
  explicit ProfileHandlers(ServerContext& context) : context_(context) {}

  // UserId 0 asks for the own profile (the first request after sign-in).
  std::vector<std::uint8_t> userInfo(const Request& request);
  // Only the own profile can be changed.
  std::vector<std::uint8_t> updateUserInfo(const Request& request);
  std::vector<std::uint8_t> changePassword(const Request& request);

 private:
  ServerContext& context_;
};

}  // namespace kiv::server
