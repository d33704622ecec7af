#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

namespace kiv {

// Makes a window's taskbar entry ask for attention a few times, a timer
// tick apart, without ever blocking the thread it runs on.
class TaskbarFlash : public QObject {
  Q_OBJECT
 public:
  explicit TaskbarFlash(QWidget* window, int flashes = 3, int intervalMs = 500);

  // Starts (or starts over) the series of flashes.
  void start();
  // Ends the series at once (the user has looked at the window).
  void stop();
  bool active() const { return remaining_ > 0; }

 private:
  void flashOnce();

  QPointer<QWidget> window_;
  QTimer timer_;
  int flashes_;
  int remaining_ = 0;
};

}  // namespace kiv
