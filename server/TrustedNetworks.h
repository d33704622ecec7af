#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <boost/asio/ip/address.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::server {

// Addresses and networks the operator names on the command line, such as
// "10.0.0.5,10.0.1.0/24,fd00::/64": the load balancers whose PROXY headers
// are believed. An IPv4 address seen on an IPv6 socket is matched as IPv4.
class TrustedNetworks {
 public:
  // nullopt, with what is wrong in `error`, for anything but a comma-separated
  // list of addresses, each with an optional prefix length.
  static std::optional<TrustedNetworks> parse(std::string_view text, std::string* error);

  bool empty() const { return networks_.empty(); }
  bool contains(const boost::asio::ip::address& address) const;

 private:
  struct Network {
    boost::asio::ip::address base;
    unsigned bits = 0;
  };
  std::vector<Network> networks_;
};

}  // namespace kiv::server
