#include "platform/qt/TaskbarFlash.h"

#include <QApplication>
#include <QWidget>

namespace kiv {

TaskbarFlash::TaskbarFlash(QWidget* window, int flashes, int intervalMs)
    : QObject(window), window_(window), flashes_(flashes) {
  timer_.setInterval(intervalMs);
  connect(&timer_, &QTimer::timeout, this, &TaskbarFlash::flashOnce);
}

void TaskbarFlash::start() {
  remaining_ = flashes_;
  flashOnce();
  if (active()) timer_.start();
}

void TaskbarFlash::stop() {
  remaining_ = 0;
  timer_.stop();
}

void TaskbarFlash::flashOnce() {
  if (remaining_ <= 0 || window_ == nullptr) {
    stop();
    return;
  }
  // Each flash lasts half a tick, so the entry is seen to blink.
  QApplication::alert(window_, timer_.interval() / 2);
  if (--remaining_ == 0) timer_.stop();
}

}  // namespace kiv
