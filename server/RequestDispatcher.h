#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "server/ContactHandlers.h"
#include "server/GroupHandlers.h"
#include "server/MessageHandlers.h"
#include "server/ProfileHandlers.h"
#include "server/ServerContext.h"
#include "server/SessionHandlers.h"

namespace kiv::server {

// Routes one whole request packet to its handler and sends the answer on the
// same connection. A command the protocol does not know closes the
// connection; a request that needs a signed-in connection on one that is not
// signed in is ignored. Both are logged. Every signed-in request checks the
// account first: a cancelled one is signed out and its connection closed.
class RequestDispatcher {
 public:
  explicit RequestDispatcher(ServerContext& context);

  // `size` is the packet's length (at least the 24 header bytes). Returns how
  // long the request must wait before it is dispatched again (`again` set);
  // zero when it was handled.
  Millis dispatch(const std::shared_ptr<ClientLink>& link, const std::uint8_t* data, std::size_t size,
                  bool again = false);
  // The connection has ended (for whatever reason).
  void connectionClosed(ClientLink& link);

  // True for the request codes a client may send.
  bool isKnownCommand(std::uint32_t command) const { return routes_.count(command) != 0; }

  // Ends the session of a cancelled account: signed out, connection closed
  // (its next sign-in is refused as cancelled).
  void signOutCancelled(ClientLink& link);
  // The account signed in on another server process: its session here ends
  // with an unasked logout answer.
  void signedInElsewhere(std::uint32_t userId);

 private:
  bool accountIsLive(ClientLink& link);

  // Where a request goes, by its command code; `open` ones may come from a
  // connection that is not signed in.
  struct Route {
    bool open = false;
    std::vector<std::uint8_t> (*handle)(RequestDispatcher&, const Request&) = nullptr;
  };
  template <class Message>
  void route(decltype(Route::handle) handle, bool open = false);
  std::map<std::uint32_t, Route> routes_;

  ServerContext& context_;
  SessionHandlers sessions_;
  ProfileHandlers profiles_;
  ContactHandlers contacts_;
  MessageHandlers messages_;
  GroupHandlers groups_;
};

}  // namespace kiv::server
