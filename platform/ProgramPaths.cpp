#include "platform/ProgramPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kiv::paths {
namespace {

std::string withSeparator(std::string dir) {
  if (dir.empty() || dir.back() != kSeparator) dir += kSeparator;
  return dir;
}

bool ensureWritableDirectory(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!std::filesystem::is_directory(dir, ec)) return false;
#ifdef _WIN32
  return true;
#else
  return access(dir.c_str(), W_OK | X_OK) == 0;
#endif
}

}  // namespace

std::string executablePath() {
#ifdef _WIN32
  char buf[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, n);
#else
  std::error_code ec;
  const auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
#endif
}

std::string executableName() {
  return std::filesystem::path(executablePath()).filename().string();
}

std::string programDirectory() {
  if (const char* home = std::getenv("KIV_HOME"); home != nullptr && *home != '\0') {
    std::error_code ec;
    std::filesystem::create_directories(home, ec);
    return withSeparator(home);
  }
  const std::string exe = executablePath();
  if (!exe.empty()) {
    const std::string dir = std::filesystem::path(exe).parent_path().string();
    if (ensureWritableDirectory(dir)) return withSeparator(dir);
  }
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0')
    base = xdg;
  else if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0')
    base = std::string(h) + "/.local/share";
  else
    base = std::filesystem::temp_directory_path().string();
  const std::string dir = base + "/kiv";
  ensureWritableDirectory(dir);
  return withSeparator(dir);
}

}  // namespace kiv::paths
