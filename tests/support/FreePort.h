#pragma once

#include <unistd.h>

#include <cstdint>

#include "platform/TcpSocket.h"

namespace kiv::test {

// A loopback port that was free a moment ago, for a server started as a
// separate process.
inline std::uint16_t freePort() {
  std::uint16_t port = 0;
  ::close(TcpSocket::listenOnLoopback(1, port));
  return port;
}

}  // namespace kiv::test
