#include "platform/Endpoint.h"

#include <charconv>
#include <cstdlib>

namespace kiv {
namespace {

Endpoint fromEnvironment(const char* name, Endpoint fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr) return fallback;
  return parseEndpoint(value).value_or(fallback);
}

}  // namespace

std::optional<Endpoint> parseEndpoint(std::string_view text) {
  const auto colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  const std::string_view portText = text.substr(colon + 1);
  unsigned port = 0;
  const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
  if (ec != std::errc() || end != portText.data() + portText.size() || port == 0 || port > 65535) return std::nullopt;
  return Endpoint{std::string(text.substr(0, colon)), static_cast<std::uint16_t>(port)};
}

Endpoint chatServerEndpoint() {
  return fromEnvironment("KIV_SERVER", {"127.0.0.1", 7838});
}

Endpoint webEndpoint() {
  return fromEnvironment("KIV_WEB", {"127.0.0.1", 80});
}

}  // namespace kiv
