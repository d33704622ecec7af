#include "server/WireTime.h"

#include <cstdio>

namespace kiv::server {

std::string wireTime(const std::tm& local) {
  char text[80];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", (local.tm_year + 1900) % 100, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return std::string(text, 12);
}

}  // namespace kiv::server
