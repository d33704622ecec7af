#include "platform/PrivateFiles.h"

#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kiv::paths {

void restrictNewFiles() {
#ifndef _WIN32
  ::umask(077);
#endif
}

bool makePrivateDirectory(const std::string& dir, bool tightenExisting) {
#ifdef _WIN32
  std::error_code ec;
  std::filesystem::create_directory(dir, ec);
  return std::filesystem::is_directory(dir, ec);
#else
  if (::mkdir(dir.c_str(), 0700) != 0) {
    struct stat info {};
    // lstat: a link planted where the folder should be is not followed.
    if (::lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    if (tightenExisting && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0) ::chmod(dir.c_str(), 0700);
  }
  return ::access(dir.c_str(), W_OK | X_OK) == 0;
#endif
}

bool preparePrivateFile(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return true;
#else
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0) ::fchmod(fd, 0600);
  ::close(fd);
  return true;
#endif
}

}  // namespace kiv::paths
