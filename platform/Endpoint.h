#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kiv {

// A host and a TCP port.
struct Endpoint {
  std::string host;
  std::uint16_t port = 0;

  std::string text() const { return host + ":" + std::to_string(port); }
  bool operator==(const Endpoint&) const = default;
};

// Parses "host:port" (port 1..65535, host not empty). nullopt otherwise.
std::optional<Endpoint> parseEndpoint(std::string_view text);

// The chat server: KIV_SERVER when it parses, else 127.0.0.1:7838.
Endpoint chatServerEndpoint();

// The avatar web server: KIV_WEB when it parses, else 127.0.0.1:80.
Endpoint webEndpoint();

}  // namespace kiv
