#include "platform/ProgramPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/PrivateFiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kiv::paths {
namespace {

namespace fs = std::filesystem;

std::string withSeparator(std::string dir) {
  if (dir.empty() || dir.back() != kSeparator) dir += kSeparator;
  return dir;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool isAbsolute(const std::string& path) {
  return !path.empty() && fs::path(path).is_absolute();
}

std::string homeDirectory() {
  if (const std::string home = environment("HOME"); isAbsolute(home)) return home;
#ifndef _WIN32
  // No HOME (a service, a stripped environment): the user's own home
  // directory is still known to the system.
  if (const passwd* user = ::getpwuid(::geteuid()); user != nullptr && user->pw_dir != nullptr) {
    const std::string home = user->pw_dir;
    if (isAbsolute(home) && home != "/") return home;
  }
#endif
  return {};
}

bool isUnder(const fs::path& path, const char* prefix) {
  const fs::path root(prefix);
  auto at = path.begin();
  for (auto part = root.begin(); part != root.end(); ++part, ++at)
    if (at == path.end() || *at != *part) return false;
  return true;
}

}  // namespace

std::string executablePath() {
#ifdef _WIN32
  char buf[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, n);
#else
  std::error_code ec;
  const auto p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
#endif
}

std::string executableName() {
  return fs::path(executablePath()).filename().string();
}

bool isPortableFolder(const std::string& dir) {
  std::error_code ec;
  if (dir.empty() || !fs::is_directory(dir, ec)) return false;
#ifdef _WIN32
  const std::string probe = withSeparator(dir) + "kiv-write-test.tmp";
  const HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
#else
  const fs::path path = fs::path(dir).lexically_normal();
  const fs::path name = path.has_filename() ? path.filename() : path.parent_path().filename();
  if (name == "bin" || isUnder(path, "/usr") || isUnder(path, "/opt")) return false;
  struct stat info {};
  return ::stat(dir.c_str(), &info) == 0 && info.st_uid == ::geteuid() && ::access(dir.c_str(), W_OK | X_OK) == 0;
#endif
}

std::string userDataDirectory() {
  std::string base = environment("XDG_DATA_HOME");
  if (!isAbsolute(base)) {
    const std::string home = homeDirectory();
    if (home.empty()) return {};
    base = home + "/.local/share";
  }
  std::error_code ec;
  fs::create_directories(base, ec);
  const std::string dir = base + "/kiv";
  return makePrivateDirectory(dir) ? withSeparator(dir) : std::string();
}

std::string programDirectory() {
  if (std::string home = environment("KIV_HOME"); !home.empty()) {
    while (home.size() > 1 && home.back() == kSeparator) home.pop_back();
    std::error_code ec;
    const fs::path path(home);
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
    // The user chose this folder: a new one is private, one that exists is
    // left as the user made it.
    if (!makePrivateDirectory(home, false)) return {};
    return withSeparator(home);
  }
  const std::string exe = executablePath();
  if (!exe.empty()) {
    const std::string dir = fs::path(exe).parent_path().string();
    if (isPortableFolder(dir)) return withSeparator(dir);
  }
  return userDataDirectory();
}

}  // namespace kiv::paths
