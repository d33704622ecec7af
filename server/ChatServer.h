#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "server/ServerLog.h"
#include "server/ServerOptions.h"

namespace kiv::server {

class ServerCore;

// The whole server in one object: the chat port and the avatar web port,
// each served by its own thread with its own connection to the database.
// Both share the sign-in throttle and the quotas (ServerOptions has every
// limit; tests give short times). On PostgreSQL several processes share
// the database, and with it the throttle and the quotas.
//
// For tests (in this process, any free port):
//
//   kiv::server::ServerOptions options;
//   options.databasePath = dir.path() + "/server.db";  // seed it first with a Store
//   options.chatPort = 0;                               // 0: any free port
//   options.webPort = 0;
//   options.echoLog = false;                           // keeps the log in memory
//   kiv::server::ChatServer server(options);
//   std::string error;
//   ASSERT_TRUE(server.start(&error)) << error;
//   ... connect to 127.0.0.1:server.chatPort(), http://127.0.0.1:server.webPort() ...
//   server.stop();  // also done by the destructor
//
// The database may be changed through another Store on the same file while
// the server runs (that is what the admin commands do); the server sees the
// change at the next request; an account cancelled meanwhile is signed out
// within a second. log() keeps the recent log lines for checks.
class ChatServer {
 public:
  explicit ChatServer(ServerOptions options, const Clock& clock = SystemClock::instance());
  ~ChatServer();
  ChatServer(const ChatServer&) = delete;
  ChatServer& operator=(const ChatServer&) = delete;

  // Opens the database, binds both ports and starts serving. False, with a
  // message in `error`, when the database cannot be opened or a port cannot
  // be bound; nothing keeps running then.
  bool start(std::string* error);
  // Closes every connection and both ports and ends the threads. Idempotent.
  void stop();

  std::uint16_t chatPort() const;
  std::uint16_t webPort() const;
  ServerLog& log();
  // Accounts signed in right now.
  std::size_t signedInCount() const;
  // Open chat connections.
  std::size_t connectionCount() const;
  // Open web connections.
  std::size_t webConnectionCount() const;

 private:
  std::unique_ptr<ServerCore> core_;
};

}  // namespace kiv::server
