#pragma once

#include <cstdint>
#include <string>

namespace kiv::server {

// How a ChatServer runs. The command line fills it; tests pick port 0 (any
// free port) and read the real ports back from the server.
struct ServerOptions {
  std::string databasePath = "kiv-server.db";
  std::string bindAddress = "127.0.0.1";
  std::uint16_t chatPort = 7838;
  std::uint16_t webPort = 80;
  bool webEnabled = true;
  bool refuseSecondLogin = false;
  // A connection that sends nothing for this long is closed.
  int idleSeconds = 180;
  // Write the log to standard error as well as keeping it for tests.
  bool echoLog = true;
};

}  // namespace kiv::server
