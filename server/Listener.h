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

namespace kiv::server {

// Accepts the connections of one port, on the thread that runs its
// io_context. A connection beyond the caps (in total, or from one address)
// is closed at once. When accept itself fails (no descriptor or memory left)
// it tries again after a pause that doubles up to a second, instead of
// spinning a core on the same error.
class Listener {
 public:
  // Gets each admitted connection with its peer key and its ticket, to be
  // held for as long as the connection lives.
  using Admit = std::function<void(boost::asio::ip::tcp::socket, const std::string& peer, std::shared_ptr<void> ticket)>;

  Listener(boost::asio::io_context& io, std::unique_ptr<boost::asio::ip::tcp::acceptor> acceptor, ConnectionCaps caps,
           ServerLog& log, std::string what, Admit admit);

  void start();
  void close();
  std::uint16_t port() const { return port_; }
  std::size_t open() const { return counts_->total(); }

 private:
  void accept();
  void refused(const std::string& peer);

  std::unique_ptr<boost::asio::ip::tcp::acceptor> acceptor_;
  boost::asio::steady_timer pause_;
  std::shared_ptr<ConnectionCounts> counts_;
  ServerLog& log_;
  std::string what_;
  Admit admit_;
  std::uint16_t port_ = 0;
  std::chrono::milliseconds backOff_{0};
  bool closed_ = false;
  std::chrono::steady_clock::time_point lastRefusalLogged_{};
  std::size_t refusedUnlogged_ = 0;
};

}  // namespace kiv::server
