#include "server/ProxyHeader.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace kiv::server {

namespace ip = boost::asio::ip;

namespace {

constexpr std::string_view kTextStart = "PROXY ";
constexpr std::size_t kTextLongest = 107;  // with the CR LF
constexpr std::array<std::uint8_t, 12> kBinaryStart = {0x0D, 0x0A, 0x0D, 0x0A, 0x00, 0x0D,
                                                       0x0A, 0x51, 0x55, 0x49, 0x54, 0x0A};
constexpr std::size_t kBinaryFixed = 16;

ProxyHeader bad(std::string why) {
  ProxyHeader header;
  header.state = ProxyHeader::State::kBad;
  header.why = std::move(why);
  return header;
}

ProxyHeader done(std::size_t length, std::optional<ip::tcp::endpoint> client = std::nullopt) {
  ProxyHeader header;
  header.state = ProxyHeader::State::kDone;
  header.length = length;
  header.client = client;
  return header;
}

std::vector<std::string_view> splitOnSpaces(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t from = 0;
  while (true) {
    const auto space = text.find(' ', from);
    parts.push_back(text.substr(from, space == std::string_view::npos ? std::string_view::npos : space - from));
    if (space == std::string_view::npos) return parts;
    from = space + 1;
  }
}

// A decimal port as the text header writes it: no sign, no leading zero.
std::optional<std::uint16_t> portOf(std::string_view text) {
  if (text.empty() || text.size() > 5 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

// An address of the named family, in its plain textual form only (no zone
// index, no names).
std::optional<ip::address> addressOf(std::string_view text, bool v6) {
  const std::string_view allowed = v6 ? "0123456789abcdefABCDEF:." : "0123456789.";
  if (text.empty() || text.find_first_not_of(allowed) != std::string_view::npos) return std::nullopt;
  boost::system::error_code ec;
  const std::string copy(text);
  const ip::address address =
      v6 ? ip::address(ip::make_address_v6(copy, ec)) : ip::address(ip::make_address_v4(copy, ec));
  if (ec) return std::nullopt;
  return address;
}

ip::address plain(const ip::address& address) {
  // A client that reached the balancer over IPv4 on a dual-stack socket is an IPv4 client.
  if (address.is_v6() && address.to_v6().is_v4_mapped()) return ip::make_address_v4(ip::v4_mapped, address.to_v6());
  return address;
}

ProxyHeader parseText(const std::uint8_t* data, std::size_t size) {
  const std::string_view seen(reinterpret_cast<const char*>(data), std::min(size, kTextLongest));
  if (seen.substr(0, kTextStart.size()) != kTextStart.substr(0, std::min(seen.size(), kTextStart.size())))
    return bad("not a PROXY header");
  const auto end = seen.find("\r\n");
  if (end == std::string_view::npos) {
    if (size >= kTextLongest) return bad("text header without an end within 107 bytes");
    if (seen.find_first_of(std::string_view("\0\n", 2)) != std::string_view::npos) return bad("text header broken");
    return ProxyHeader{};
  }
  if (end < kTextStart.size()) return bad("not a PROXY header");
  const std::string_view line = seen.substr(kTextStart.size(), end - kTextStart.size());
  if (line.find_first_of(std::string_view("\0\r\n\t", 4)) != std::string_view::npos) return bad("text header broken");
  const auto parts = splitOnSpaces(line);
  const std::size_t length = end + 2;
  // The balancer does not know the client (its own checks): the rest of the line says nothing.
  if (parts[0] == "UNKNOWN") return done(length);
  if (parts[0] != "TCP4" && parts[0] != "TCP6") return bad("text header names no TCP family");
  if (parts.size() != 5) return bad("text header has " + std::to_string(parts.size()) + " fields, not 5");
  const bool v6 = parts[0] == "TCP6";
  const auto source = addressOf(parts[1], v6);
  const auto destination = addressOf(parts[2], v6);
  const auto sourcePort = portOf(parts[3]);
  const auto destinationPort = portOf(parts[4]);
  if (!source || !destination) return bad("text header with a bad address");
  if (!sourcePort || !destinationPort) return bad("text header with a bad port");
  return done(length, ip::tcp::endpoint(plain(*source), *sourcePort));
}

ProxyHeader parseBinary(const std::uint8_t* data, std::size_t size) {
  const std::size_t compare = std::min(size, kBinaryStart.size());
  if (!std::equal(data, data + compare, kBinaryStart.begin())) return bad("not a PROXY header");
  if (size < kBinaryFixed) return ProxyHeader{};
  const std::uint8_t versionCommand = data[12];
  const std::uint8_t family = data[13];
  const std::size_t length = kBinaryFixed + ((std::size_t{data[14]} << 8) | data[15]);
  if ((versionCommand >> 4) != 2) return bad("binary header of version " + std::to_string(versionCommand >> 4));
  const int command = versionCommand & 0x0F;
  if (command > 1) return bad("binary header with command " + std::to_string(command));
  if (length > ProxyHeader::kMaxLength) return bad("binary header of " + std::to_string(length) + " bytes");
  if (size < length) return ProxyHeader{};
  // LOCAL: the balancer speaking for itself (a health check).
  if (command == 0) return done(length);
  const std::uint8_t* body = data + kBinaryFixed;
  const std::size_t bodySize = length - kBinaryFixed;
  auto portAt = [](const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); };
  switch (family) {
    case 0x00:  // unspecified
    case 0x31:  // a local socket of the balancer's
      return done(length);
    case 0x11: {  // TCP over IPv4
      if (bodySize < 12) return bad("binary header too short for IPv4 addresses");
      ip::address_v4::bytes_type bytes;
      std::copy(body, body + 4, bytes.begin());
      return done(length, ip::tcp::endpoint(ip::address_v4(bytes), portAt(body + 8)));
    }
    case 0x21: {  // TCP over IPv6
      if (bodySize < 36) return bad("binary header too short for IPv6 addresses");
      ip::address_v6::bytes_type bytes;
      std::copy(body, body + 16, bytes.begin());
      return done(length, ip::tcp::endpoint(plain(ip::address_v6(bytes)), portAt(body + 32)));
    }
    default:
      return bad("binary header names no TCP connection (family " + std::to_string(family) + ")");
  }
}

}  // namespace

ProxyHeader ProxyHeader::parse(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return ProxyHeader{};
  if (data[0] == 'P') return parseText(data, size);
  if (data[0] == kBinaryStart[0]) return parseBinary(data, size);
  return bad("not a PROXY header");
}

}  // namespace kiv::server
