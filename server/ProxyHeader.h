#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <boost/asio/ip/tcp.hpp>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kiv::server {

// The header a load balancer puts in front of a connection it passes on (the
// PROXY protocol, text version 1 and binary version 2), naming the client it
// accepted the connection from. Only a balancer the operator trusts may send
// one; everything else is whatever a client wrote, so the parser is strict:
// one wrong byte and the connection is refused rather than guessed at.
struct ProxyHeader {
  enum class State { kNeedMore, kDone, kBad };

  // The longest header accepted: a text header is at most 107 bytes; a
  // binary one carries its addresses (36 bytes for IPv6) and optional fields
  // a balancer adds, which never come near this.
  static constexpr std::size_t kMaxLength = 16 + 1024;

  State state = State::kNeedMore;
  // kDone: how many of the bytes given were the header; what follows is the
  // client's own stream.
  std::size_t length = 0;
  // kDone: the client's address and port. Empty when the header names none
  // (the balancer's own health checks: LOCAL, UNKNOWN, an unspecified or a
  // local-socket family); the connection's own address then stands.
  std::optional<boost::asio::ip::tcp::endpoint> client;
  // kBad: what was wrong, for the log.
  std::string why;

  // Looks at the first `size` bytes of a connection. kNeedMore while they
  // may still become a header (call again with more).
  static ProxyHeader parse(const std::uint8_t* data, std::size_t size);
};

}  // namespace kiv::server
