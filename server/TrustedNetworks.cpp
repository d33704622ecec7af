#include "server/TrustedNetworks.h"

#include <charconv>
#include <vector>

namespace kiv::server {

namespace ip = boost::asio::ip;

namespace {

ip::address plain(const ip::address& address) {
  if (address.is_v6() && address.to_v6().is_v4_mapped()) return ip::make_address_v4(ip::v4_mapped, address.to_v6());
  return address;
}

// The address's bytes, 4 or 16 of them.
std::vector<unsigned char> bytesOf(const ip::address& address) {
  if (address.is_v4()) {
    const auto b = address.to_v4().to_bytes();
    return {b.begin(), b.end()};
  }
  const auto b = address.to_v6().to_bytes();
  return {b.begin(), b.end()};
}

bool samePrefix(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, unsigned bits) {
  for (std::size_t i = 0; bits > 0; ++i, bits = bits >= 8 ? bits - 8 : 0) {
    const unsigned mask = bits >= 8 ? 0xFFu : (0xFFu << (8 - bits)) & 0xFFu;
    if ((a[i] & mask) != (b[i] & mask)) return false;
  }
  return true;
}

}  // namespace

std::optional<TrustedNetworks> TrustedNetworks::parse(std::string_view text, std::string* error) {
  TrustedNetworks out;
  auto fail = [&](std::string_view item, const char* why) {
    if (error) *error = "bad address " + std::string(item) + ": " + why;
    return std::nullopt;
  };
  std::size_t from = 0;
  while (from <= text.size()) {
    const auto comma = text.find(',', from);
    const auto item = text.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from);
    from = comma == std::string_view::npos ? text.size() + 1 : comma + 1;
    if (item.empty()) return fail(item, "empty");
    const auto slash = item.find('/');
    boost::system::error_code ec;
    const auto address = ip::make_address(std::string(item.substr(0, slash)), ec);
    if (ec || (address.is_v6() && address.to_v6().scope_id() != 0)) return fail(item, "not an IP address");
    const unsigned most = address.is_v4() ? 32 : 128;
    Network network{plain(address), most};
    if (slash != std::string_view::npos) {
      const auto bits = item.substr(slash + 1);
      const auto [end, parsed] = std::from_chars(bits.data(), bits.data() + bits.size(), network.bits);
      if (bits.empty() || parsed != std::errc() || end != bits.data() + bits.size() || network.bits > most)
        return fail(item, "bad prefix length");
    }
    // An IPv4-mapped network is an IPv4 network.
    if (address.is_v6() && network.base.is_v4()) {
      if (network.bits < 96) return fail(item, "bad prefix length");
      network.bits -= 96;
    }
    out.networks_.push_back(network);
  }
  return out;
}

bool TrustedNetworks::contains(const ip::address& address) const {
  const auto seen = plain(address);
  const auto seenBytes = bytesOf(seen);
  for (const auto& network : networks_) {
    if (network.base.is_v4() != seen.is_v4()) continue;
    if (samePrefix(bytesOf(network.base), seenBytes, network.bits)) return true;
  }
  return false;
}

}  // namespace kiv::server
