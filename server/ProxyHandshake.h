#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <array>
#include <boost/asio.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "server/ProxyHeader.h"
#include "server/ServerOptions.h"

namespace kiv::server {

// Reads the PROXY header a trusted load balancer sends before anything of
// its client's, within a time limit, and hands the connection on with the
// client's address and whatever of the client's stream came with the header.
// A garbled header, or none in time, closes the connection.
class ProxyHandshake : public std::enable_shared_from_this<ProxyHandshake> {
 public:
  // `client` is empty when the header names no client (the balancer's own
  // health check): the connection's own address stands then.
  using Done = std::function<void(boost::asio::ip::tcp::socket socket,
                                  std::optional<boost::asio::ip::tcp::endpoint> client, std::string early)>;
  // The connection is closed; `why` is empty when it ended before sending a
  // byte (a balancer checking that the port is open), which is not worth a
  // log line.
  using Failed = std::function<void(const std::string& why)>;

  ProxyHandshake(boost::asio::ip::tcp::socket socket, Millis timeout, Done done, Failed failed);
  void start();

 private:
  void read();
  void fail(const std::string& why);

  boost::asio::ip::tcp::socket socket_;
  boost::asio::steady_timer deadline_;
  Millis timeout_;
  Done done_;
  Failed failed_;
  std::array<std::uint8_t, ProxyHeader::kMaxLength> buffer_{};
  std::size_t have_ = 0;
  bool over_ = false;
};

}  // namespace kiv::server
