#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <boost/asio/ip/address.hpp>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "server/ServerOptions.h"

namespace kiv::server {

// The key under which a peer's connections and sign-in failures are counted:
// an IPv4 address as it is, an IPv6 address by its /64 network (what one
// subscriber is usually given).
std::string peerKey(const boost::asio::ip::address& address);

// The open connections of one port, in total and per peer key.
class ConnectionCounts : public std::enable_shared_from_this<ConnectionCounts> {
 public:
  explicit ConnectionCounts(ConnectionCaps caps) : caps_(caps) {}

  // A place for one more connection from `key`, held until the returned
  // ticket is dropped; nullptr when a cap is reached. `perAddress` false:
  // only the total counts (a trusted load balancer speaking for itself).
  std::shared_ptr<void> admit(const std::string& key, bool perAddress = true);
  std::size_t total() const;
  const ConnectionCaps& caps() const { return caps_; }

 private:
  void release(const std::string& key);

  ConnectionCaps caps_;
  mutable std::mutex mutex_;
  std::map<std::string, std::size_t> perKey_;
  std::size_t total_ = 0;
};

}  // namespace kiv::server
