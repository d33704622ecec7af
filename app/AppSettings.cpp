#include "app/AppSettings.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace kiv {

double AppSettings::parsePace(const char* text) {
  if (text == nullptr || *text == '\0') return 1.0;
  char* end = nullptr;
  const double pace = std::strtod(text, &end);
  // Faster only: a pace above 1 would stretch the time-out beyond use.
  if (end == text || *end != '\0' || !std::isfinite(pace) || pace <= 0.0 || pace > 1.0) return 1.0;
  return pace;
}

AppSettings AppSettings::fromEnvironment() {
  AppSettings settings;
  settings.server = chatServerEndpoint();
  settings.pace = parsePace(std::getenv("KIV_PACE"));
  return settings;
}

}  // namespace kiv
