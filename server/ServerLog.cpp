#include "server/ServerLog.h"

#include <cstdio>
#include <ctime>

namespace kiv::server {

void ServerLog::write(std::string_view utf8) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local);
  std::string line = stamp;
  line.append(utf8);

  std::lock_guard lock(mutex_);
  if (echo_) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
  }
  kept_.push_back(std::move(line));
  if (kept_.size() > kKeptLines) kept_.pop_front();
}

void ServerLog::setEcho(bool echo) {
  std::lock_guard lock(mutex_);
  echo_ = echo;
}

std::vector<std::string> ServerLog::lines() const {
  std::lock_guard lock(mutex_);
  return {kept_.begin(), kept_.end()};
}

bool ServerLog::contains(std::string_view text) const {
  std::lock_guard lock(mutex_);
  for (const auto& line : kept_) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

}  // namespace kiv::server
