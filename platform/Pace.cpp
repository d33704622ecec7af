#include "platform/Pace.h"

#include <cmath>
#include <cstdlib>

namespace kiv {

double parsePace(const char* text) {
  if (text == nullptr || *text == '\0') return 1.0;
  char* end = nullptr;
  const double pace = std::strtod(text, &end);
  // Faster only: a pace above 1 would stretch the time-outs beyond use.
  if (end == text || *end != '\0' || !std::isfinite(pace) || pace <= 0.0 || pace > 1.0) return 1.0;
  return pace;
}

double paceFromEnvironment() {
  return parsePace(std::getenv("KIV_PACE"));
}

}  // namespace kiv
