#pragma once

#include <sys/types.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kiv::test {

// A program of this build run as a child process, its standard output and
// error collected together. The destructor kills a child that still runs.
class ChildProcess {
 public:
  // The path of a program of this build, relative to the build directory
  // (e.g. "cli/kiv-cli"); empty when it has not been built.
  static std::string built(const std::string& relative);

  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // The exit status, or -1 when it did not end within `timeoutMs` (it is then
  // killed) or ended by a signal.
  int wait(int timeoutMs);
  void signal(int sig);
  // Everything written so far.
  std::string output() const;
  // Waits until the output contains `text`; false after `timeoutMs`.
  bool waitForOutput(const std::string& text, int timeoutMs) const;

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  bool reaped_ = false;
  std::thread reader_;
  mutable std::mutex mutex_;
  std::string output_;
};

// Runs a program to its end (at most `timeoutMs`); its status and output.
struct RunResult {
  int status = -1;
  std::string output;
};
RunResult run(const std::string& program, const std::vector<std::string>& args, int timeoutMs = 60000);

}  // namespace kiv::test
