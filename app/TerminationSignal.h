#pragma once

#include <QObject>

class QSocketNotifier;

namespace kiv {

// Turns SIGTERM and SIGINT (the desktop session ending, a service manager,
// Ctrl+C) into a signal on the UI thread, so that the program can end as if
// the user had chosen "退出": logged out, strangers saved. One per process.
class TerminationSignal : public QObject {
  Q_OBJECT
 public:
  explicit TerminationSignal(QObject* parent = nullptr);
  ~TerminationSignal() override;

 signals:
  void requested();

 private:
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kiv
