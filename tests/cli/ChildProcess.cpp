#include "cli/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>

namespace kiv::test {

std::string ChildProcess::built(const std::string& relative) {
  char self[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  // The test program lives in <build>/tests/.
  const auto path =
      std::filesystem::path(std::string(self, static_cast<std::size_t>(n))).parent_path().parent_path() / relative;
  return std::filesystem::exists(path) ? path.string() : std::string();
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
  int fds[2];
  if (pipe(fds) != 0) return;
  // Everything the child needs is built before fork: other threads may hold
  // the allocator's lock at that moment.
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    // Nothing is typed into a program under test, and none may wait for it.
    const int nothing = open("/dev/null", O_RDONLY);
    if (nothing >= 0) dup2(nothing, STDIN_FILENO);
    dup2(fds[1], STDOUT_FILENO);
    dup2(fds[1], STDERR_FILENO);
    close(fds[0]);
    close(fds[1]);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    return;
  }
  const int readFd = fds[0];
  reader_ = std::thread([this, readFd] {
    char buffer[4096];
    for (;;) {
      const ssize_t n = read(readFd, buffer, sizeof buffer);
      if (n <= 0) break;
      std::lock_guard lock(mutex_);
      output_.append(buffer, static_cast<std::size_t>(n));
    }
    close(readFd);
  });
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
  }
  if (reader_.joinable()) reader_.join();
}

int ChildProcess::wait(int timeoutMs) {
  if (pid_ <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!reaped_) {
    const pid_t r = waitpid(pid_, &status_, WNOHANG);
    if (r == pid_) {
      reaped_ = true;
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status_, 0);
      reaped_ = true;
      if (reader_.joinable()) reader_.join();
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (reader_.joinable()) reader_.join();
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

void ChildProcess::signal(int sig) {
  if (pid_ > 0 && !reaped_) kill(pid_, sig);
}

std::string ChildProcess::output() const {
  std::lock_guard lock(mutex_);
  return output_;
}

bool ChildProcess::waitForOutput(const std::string& text, int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (output().find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

RunResult run(const std::string& program, const std::vector<std::string>& args, int timeoutMs) {
  ChildProcess child(program, args);
  RunResult result;
  result.status = child.wait(timeoutMs);
  result.output = child.output();
  return result;
}

}  // namespace kiv::test
