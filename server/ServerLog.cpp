#include "server/ServerLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace kiv::server {

namespace {

void appendEscaped(std::string& out, unsigned char c) {
  static const char hex[] = "0123456789ABCDEF";
  out += "\\x";
  out += hex[c >> 4];
  out += hex[c & 15];
}

// The length of the UTF-8 sequence that starts at `at`, 0 when it is not a
// well-formed one.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t n = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
  if (n == 0 || at + n > text.size()) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

}  // namespace

std::string ServerLog::safeLine(std::string_view utf8, std::size_t lineBytes) {
  std::string out;
  out.reserve(std::min(utf8.size(), lineBytes) + 16);
  std::size_t at = 0;
  while (at < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[at]);
    const std::size_t n = sequenceLength(utf8, at);
    // C1 controls are two bytes in UTF-8: C2 80 .. C2 9F.
    const bool c1 = n == 2 && c == 0xC2 && static_cast<unsigned char>(utf8[at + 1]) < 0xA0;
    std::string piece;
    std::size_t consumed = n;
    if (n == 0 || c < 0x20 || c == 0x7F) {
      appendEscaped(piece, c);
      consumed = 1;
    } else if (c1) {
      appendEscaped(piece, static_cast<unsigned char>(utf8[at + 1]));
    } else {
      piece.assign(utf8.substr(at, n));
    }
    if (out.size() + piece.size() > lineBytes) break;
    out += piece;
    at += consumed;
  }
  if (at < utf8.size()) out += " [" + std::to_string(utf8.size() - at) + " bytes cut]";
  return out;
}

ServerLog::~ServerLog() {
  if (file_) std::fclose(file_);
}

bool ServerLog::openFile(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error) *error = "cannot open the log " + path + ": " + std::strerror(errno);
    return false;
  }
  ::fchmod(fd, 0600);  // a log made before by someone else's umask
  std::FILE* file = ::fdopen(fd, "a");
  if (!file) {
    ::close(fd);
    if (error) *error = "cannot open the log " + path;
    return false;
  }
  std::lock_guard lock(mutex_);
  if (file_) std::fclose(file_);
  file_ = file;
  return true;
}

void ServerLog::write(std::string_view utf8) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local);
  std::string line = stamp + safeLine(utf8, lineBytes_);

  std::lock_guard lock(mutex_);
  if (echo_) {
    std::FILE* out = file_ ? file_ : stderr;
    std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
    return;
  }
  kept_.push_back(std::move(line));
  if (kept_.size() > kKeptLines) kept_.pop_front();
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
