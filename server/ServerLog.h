#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::server {

// The server's own log: one UTF-8 line per event, each starting with the local
// date and time. Lines go to standard error unless the log is quiet; the last
// few hundred are also kept in memory so that tests can look for an event.
// Safe to use from every thread; a line is written whole.
class ServerLog {
 public:
  explicit ServerLog(bool echo = true) : echo_(echo) {}

  void write(std::string_view utf8);
  void setEcho(bool echo);

  // The kept lines, oldest first.
  std::vector<std::string> lines() const;
  // True when a kept line contains `text`.
  bool contains(std::string_view text) const;

 private:
  static constexpr std::size_t kKeptLines = 500;
  mutable std::mutex mutex_;
  bool echo_;
  std::deque<std::string> kept_;
};

}  // namespace kiv::server
