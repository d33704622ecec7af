#pragma once

#include <cstddef>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::server {

// The server's own log: one line per event, each starting with the local date
// and time. Whatever a client sent may end up in a line, so every line is
// made safe for the operator's terminal and bounded: control characters
// (C0, DEL and C1) are written as \xNN and a line longer than `lineBytes` is
// cut, saying how much was cut. Lines go to a file or to standard error; a
// log that writes nowhere (tests) keeps its last few hundred lines in memory
// instead, so that a test can look for an event. Safe to use from every
// thread; a line is written whole.
class ServerLog {
 public:
  explicit ServerLog(bool echo = true, std::size_t lineBytes = 1024) : echo_(echo), lineBytes_(lineBytes) {}
  ~ServerLog();
  ServerLog(const ServerLog&) = delete;
  ServerLog& operator=(const ServerLog&) = delete;

  // Appends to `path` (created readable by the owner only) instead of
  // standard error. False, with the reason, when it cannot be opened.
  bool openFile(const std::string& path, std::string* error);

  void write(std::string_view utf8);

  // The kept lines, oldest first (empty unless the log writes nowhere).
  std::vector<std::string> lines() const;
  // True when a kept line contains `text`.
  bool contains(std::string_view text) const;

  // `utf8` as write() puts it into a line: escaped and cut to `lineBytes`.
  static std::string safeLine(std::string_view utf8, std::size_t lineBytes);

 private:
  static constexpr std::size_t kKeptLines = 500;
  mutable std::mutex mutex_;
  bool echo_;
  std::size_t lineBytes_;
  std::FILE* file_ = nullptr;
  std::deque<std::string> kept_;
};

}  // namespace kiv::server
