#pragma once

#include <cstdint>
#include <vector>

#include "server/Request.h"
#include "server/ServerContext.h"

namespace kiv::server {

// Sign-in, sign-out and the password by SMS: the requests that a connection
// may send before it is signed in (logout is answered either way).
class SessionHandlers {
 public:
  explicit SessionHandlers(ServerContext& context) : context_(context) {}

  std::vector<std::uint8_t> login(const Request& request);
  std::vector<std::uint8_t> logout(const Request& request);
  std::vector<std::uint8_t> smsPassword(const Request& request);

  // The connection has ended: its account is no longer signed in.
  void connectionClosed(ClientLink& link);

 private:
  ServerContext& context_;
};

}  // namespace kiv::server
