// The PROXY header a trusted balancer sends, read byte by byte as an
// attacker might write it, and the list of trusted balancer addresses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/CommandLine.h"
#include "server/ProxyHeader.h"
#include "server/TrustedNetworks.h"

namespace kiv::test {
namespace {

using server::ProxyHeader;
using State = ProxyHeader::State;
namespace ip = boost::asio::ip;

ProxyHeader parse(const std::string& bytes) {
  return ProxyHeader::parse(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// A binary header: signature, version/command, family, length, body.
std::string binary(std::uint8_t versionCommand, std::uint8_t family, const std::string& body) {
  std::string out("\r\n\r\n\0\r\nQUIT\n", 12);
  out += static_cast<char>(versionCommand);
  out += static_cast<char>(family);
  out += static_cast<char>(body.size() >> 8);
  out += static_cast<char>(body.size() & 0xFF);
  return out + body;
}

const std::string kV4Body(
    "\xCB\x00\x71\x05"
    "\x7F\x00\x00\x01"
    "\x9C\x40"
    "\x1E\x9E",
    12);  // 203.0.113.5:40000

TEST(ProxyHeader, GenuineHeadersNameTheClientAndLeaveWhatFollows) {
  const std::string text = "PROXY TCP4 203.0.113.5 10.0.0.1 40000 7838\r\n";
  auto h = parse(text + "LOGIN");
  ASSERT_EQ(h.state, State::kDone) << h.why;
  EXPECT_EQ(h.length, text.size());
  EXPECT_EQ(h.client->address().to_string(), "203.0.113.5");
  EXPECT_EQ(h.client->port(), 40000);

  h = parse("PROXY TCP6 2001:db8::7 2001:db8::1 65535 80\r\n");
  ASSERT_EQ(h.state, State::kDone) << h.why;
  EXPECT_EQ(h.client->address().to_string(), "2001:db8::7");
  // A client mapped onto IPv6 is counted as the IPv4 client it is.
  h = parse("PROXY TCP6 ::ffff:198.51.100.9 ::1 1 2\r\n");
  ASSERT_EQ(h.state, State::kDone) << h.why;
  EXPECT_TRUE(h.client->address().is_v4());

  const auto v2 = binary(0x21, 0x11, kV4Body) + "GET";
  h = parse(v2);
  ASSERT_EQ(h.state, State::kDone) << h.why;
  EXPECT_EQ(h.length, 28u);
  EXPECT_EQ(h.client->address().to_string(), "203.0.113.5");
  EXPECT_EQ(h.client->port(), 40000);
  // Optional fields after the addresses are skipped with them.
  h = parse(binary(0x21, 0x11, kV4Body + std::string("\x04\x00\x01\x00", 4)));
  ASSERT_EQ(h.state, State::kDone) << h.why;
  EXPECT_EQ(h.length, 32u);

  std::string v6Body(36, '\0');
  v6Body[0] = '\x20', v6Body[1] = '\x01', v6Body[2] = '\x0d', v6Body[3] = '\xb8', v6Body[15] = '\x07';
  v6Body[32] = '\x01', v6Body[33] = '\x02';
  h = parse(binary(0x21, 0x21, v6Body));
  ASSERT_EQ(h.state, State::kDone) << h.why;
  EXPECT_EQ(h.client->address().to_string(), "2001:db8::7");
  EXPECT_EQ(h.client->port(), 0x0102);
}

TEST(ProxyHeader, TheBalancersOwnChecksNameNobody) {
  for (const auto& header :
       {std::string("PROXY UNKNOWN\r\n"), std::string("PROXY UNKNOWN ffff:: 1.2.3.4 1 2\r\n"), binary(0x20, 0x00, ""),
        binary(0x20, 0x11, kV4Body), binary(0x21, 0x00, ""), binary(0x21, 0x31, std::string(216, 'x'))}) {
    const auto h = parse(header);
    ASSERT_EQ(h.state, State::kDone) << h.why;
    EXPECT_EQ(h.length, header.size());
    EXPECT_FALSE(h.client);
  }
}

TEST(ProxyHeader, AHeaderInPiecesWaitsForItsEnd) {
  for (const auto& header :
       {std::string("PROXY TCP4 203.0.113.5 10.0.0.1 40000 7838\r\n"), binary(0x21, 0x11, kV4Body)}) {
    for (std::size_t cut = 0; cut < header.size(); ++cut)
      EXPECT_EQ(parse(header.substr(0, cut)).state, State::kNeedMore) << cut;
    EXPECT_EQ(parse(header).state, State::kDone);
  }
}

TEST(ProxyHeader, GarbledAndHostileHeadersAreRefused) {
  const std::vector<std::string> bad = {
      "GET / HTTP/1.1\r\n",                                     // no header at all
      std::string("\0\0\0\x30", 4),                             // a chat packet
      "proxy TCP4 1.2.3.4 5.6.7.8 1 2\r\n",                     // wrong case
      "PROXY TCP5 1.2.3.4 5.6.7.8 1 2\r\n",                     // no such family
      "PROXY TCP4 1.2.3.4 5.6.7.8 1\r\n",                       // a field missing
      "PROXY TCP4 1.2.3.4 5.6.7.8 1 2 3\r\n",                   // one too many
      "PROXY TCP4  1.2.3.4 5.6.7.8 1 2\r\n",                    // two spaces
      "PROXY TCP4 1.2.3.4 5.6.7.8 1 2\n",                       // LF alone
      "PROXY TCP4 1.2.3.256 5.6.7.8 1 2\r\n",                   // not an address
      "PROXY TCP4 01.2.3.4 5.6.7.8 1 2\r\n",                    // leading zero
      "PROXY TCP4 ::1 ::1 1 2\r\n",                             // IPv6 named as IPv4
      "PROXY TCP6 1.2.3.4 5.6.7.8 1 2\r\n",                     // IPv4 named as IPv6
      "PROXY TCP6 fe80::1%eth0 ::1 1 2\r\n",                    // a zone index
      "PROXY TCP4 1.2.3.4 5.6.7.8 65536 2\r\n",                 // port out of range
      "PROXY TCP4 1.2.3.4 5.6.7.8 080 2\r\n",                   // leading zero
      "PROXY TCP4 1.2.3.4 5.6.7.8 -1 2\r\n",                    // a sign
      std::string("PROXY TCP4 1.2.3.4\0 5.6.7.8 1 2\r\n", 33),  // a NUL inside
      "PROXY TCP4 " + std::string(200, '1'),                    // no end within 107 bytes
      binary(0x11, 0x11, kV4Body),                              // version 1 in binary
      binary(0x31, 0x11, kV4Body),                              // version 3
      binary(0x22, 0x11, kV4Body),                              // command 2
      binary(0x21, 0x11, kV4Body.substr(0, 11)),                // IPv4 addresses cut short
      binary(0x21, 0x21, std::string(35, '\0')),                // IPv6 addresses cut short
      binary(0x21, 0x12, kV4Body),                              // UDP
      binary(0x21, 0x45, kV4Body),                              // no such family
      std::string("\r\n\r\n\0\r\nQUIX\n", 12),                  // signature wrong
  };
  for (const auto& header : bad) EXPECT_EQ(parse(header).state, State::kBad) << header;
  // A length beyond the largest header is refused before it is waited for.
  std::string huge = binary(0x21, 0x11, kV4Body);
  huge[14] = '\xFF';
  EXPECT_EQ(parse(huge.substr(0, 16)).state, State::kBad);
}

TEST(TrustedNetworks, AddressesAndNetworksOfBothFamilies) {
  std::string error;
  const auto trusted =
      server::TrustedNetworks::parse("10.0.0.5,192.168.4.0/22,fd00:1::/32,::ffff:172.16.0.0/112", &error);
  ASSERT_TRUE(trusted) << error;
  for (const char* inside :
       {"10.0.0.5", "192.168.7.255", "192.168.4.0", "fd00:1:ffff::9", "::ffff:10.0.0.5", "172.16.9.1"})
    EXPECT_TRUE(trusted->contains(ip::make_address(inside))) << inside;
  for (const char* outside : {"10.0.0.6", "192.168.8.0", "192.168.3.255", "fd00:2::1", "::a00:5", "172.17.0.1"})
    EXPECT_FALSE(trusted->contains(ip::make_address(outside))) << outside;
  EXPECT_TRUE(server::TrustedNetworks::parse("0.0.0.0/0", &error)->contains(ip::make_address("8.8.8.8")));
  EXPECT_TRUE(server::TrustedNetworks{}.empty());
  EXPECT_FALSE(server::TrustedNetworks{}.contains(ip::make_address("127.0.0.1")));

  for (const char* bad : {"", "10.0.0.5,", "host.example", "10.0.0.0/33", "10.0.0.0/", "10.0.0.0/-1", "::/129",
                          "::ffff:10.0.0.0/95", "10.0.0.0/8x", "fe80::1%1"})
    EXPECT_FALSE(server::TrustedNetworks::parse(bad, &error)) << bad;
}

TEST(TrustedNetworks, TheCommandLineNamesTheBalancers) {
  std::string error;
  const auto line = server::CommandLine::parse({"kiv-server", "--proxy-protocol-from", "10.0.0.5,fd00::/8"}, &error);
  ASSERT_TRUE(line) << error;
  EXPECT_TRUE(line->options.balancers.contains(ip::make_address("fd12::1")));
  EXPECT_FALSE(line->options.balancers.contains(ip::make_address("10.0.0.6")));
  EXPECT_TRUE(server::CommandLine::parse({"kiv-server"}, &error)->options.balancers.empty());
  EXPECT_FALSE(server::CommandLine::parse({"kiv-server", "--proxy-protocol-from", "10.0.0.5/40"}, &error));
  EXPECT_NE(error.find("--proxy-protocol-from"), std::string::npos) << error;
  EXPECT_FALSE(server::CommandLine::parse({"kiv-server", "--proxy-protocol-from"}, &error));
}

}  // namespace
}  // namespace kiv::test
