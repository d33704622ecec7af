#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <boost/asio.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "server/ConnectionCounts.h"
#include "server/ServerLog.h"
#include "server/TrustedNetworks.h"

namespace kiv::server {

// Accepts the connections of one port, on the thread that runs its
// io_context. A connection beyond the caps (in total, or from one address)
// is closed at once. When accept itself fails (no descriptor or memory left)
// it tries again after a pause that doubles up to a second, instead of
// spinning a core on the same error.
//
// A connection from a trusted load balancer must start with a PROXY header
// (within `headerTime`); the client it names is then the peer, counted by the
// caps and the sign-in throttle as if it had connected itself. Headers from
// anybody else are not looked for: their bytes go to the port's protocol.
class Listener {
 public:
  // Who is at the other end of an admitted connection.
  struct Peer {
    std::string key;    // what caps and throttles count it under (peerKey)
    std::string name;   // address and port, for the log
    std::string early;  // bytes of the client's stream that came with the PROXY header
  };
  // Gets each admitted connection with its peer and its ticket, to be held
  // for as long as the connection lives.
  using Admit = std::function<void(boost::asio::ip::tcp::socket, const Peer& peer, std::shared_ptr<void> ticket)>;

  Listener(boost::asio::io_context& io, std::unique_ptr<boost::asio::ip::tcp::acceptor> acceptor, ConnectionCaps caps,
           ServerLog& log, std::string what, Admit admit, TrustedNetworks balancers = {},
           Millis headerTime = Millis(10'000));

  void start();
  void close();
  std::uint16_t port() const { return port_; }
  std::size_t open() const { return counts_->total(); }

 private:
  void accept();
  void refused(const std::string& peer);
  // Reads the balancer's PROXY header, then admits the client it names.
  void readProxyHeader(boost::asio::ip::tcp::socket socket, const boost::asio::ip::tcp::endpoint& balancer,
                       std::shared_ptr<void> ticket);

  std::unique_ptr<boost::asio::ip::tcp::acceptor> acceptor_;
  boost::asio::steady_timer pause_;
  std::shared_ptr<ConnectionCounts> counts_;
  ServerLog& log_;
  std::string what_;
  Admit admit_;
  TrustedNetworks balancers_;
  Millis headerTime_;
  std::uint16_t port_ = 0;
  std::chrono::milliseconds backOff_{0};
  bool closed_ = false;
  std::chrono::steady_clock::time_point lastRefusalLogged_{};
  std::size_t refusedUnlogged_ = 0;
};

}  // namespace kiv::server
