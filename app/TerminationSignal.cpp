#include "app/TerminationSignal.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kiv {
namespace {

int wakeFds[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe.
void onSignal(int) {
  const char byte = 1;
  if (wakeFds[1] >= 0) [[maybe_unused]] const auto written = ::write(wakeFds[1], &byte, 1);
}

}  // namespace

TerminationSignal::TerminationSignal(QObject* parent) : QObject(parent) {
  if (::pipe(wakeFds) != 0) return;
  for (int fd : wakeFds) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  notifier_ = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char sink[16];
    while (::read(wakeFds[0], sink, sizeof sink) > 0) {
    }
    emit requested();
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

TerminationSignal::~TerminationSignal() {
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  delete notifier_;
  notifier_ = nullptr;
  for (int& fd : wakeFds) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

}  // namespace kiv
