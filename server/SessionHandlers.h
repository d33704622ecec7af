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

  // Zero `hold` and the answer (empty when it went out already), or a hold:
  // the attempt must wait that long before its password is checked, and is
  // to be handed in again then.
  struct LoginOutcome {
    std::vector<std::uint8_t> answer;
    Millis hold{0};
  };
  LoginOutcome login(const Request& request);
  std::vector<std::uint8_t> logout(const Request& request);
  std::vector<std::uint8_t> smsPassword(const Request& request);

  // The connection has ended: its account is no longer signed in.
  void connectionClosed(ClientLink& link);
  // The account of `link` signed in again (here or on another server
  // process): the client learns it from a logout answer it did not ask
  // for, and the connection is closed.
  void signOutReplaced(ClientLink& link);

 private:
  // A refused attempt's answer; after too many on one connection it is sent
  // here and the connection closed (the answer returned is empty then).
  std::vector<std::uint8_t> refused(const Request& request, std::vector<std::uint8_t> answer);

  ServerContext& context_;
};

}  // namespace kiv::server
