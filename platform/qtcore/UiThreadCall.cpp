#include "platform/qtcore/UiThreadCall.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <condition_variable>
#include <mutex>

#include "platform/ThreadCheck.h"

namespace kiv {
namespace {

// Lets a waiting caller go on once its call ran or was dropped.
struct Waiter {
  std::mutex mutex;
  std::condition_variable changed;
  bool done = false;

  // Notifies under the lock: the waiter destroys this as soon as it sees
  // `done`, so nothing may touch it after the lock is released.
  void finish() {
    std::lock_guard lock(mutex);
    done = true;
    changed.notify_all();
  }
  void wait() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return done; });
  }
};

QEvent::Type callEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

class CallEvent final : public QEvent {
 public:
  CallEvent(QObject* context, std::function<void()> work, Waiter* waiter)
      : QEvent(callEventType()), context_(context), work_(std::move(work)), waiter_(waiter) {}

  // Also reached when the queue is dropped undelivered (the application is
  // ending): a waiting caller must go on either way.
  ~CallEvent() override {
    threadcheck::tookOver(this);
    work_ = nullptr;  // what it holds goes before the caller is let go
    if (waiter_ != nullptr) waiter_->finish();
  }

  void run() {
    threadcheck::tookOver(this);
    if (context_) work_();
  }

 private:
  QPointer<QObject> context_;
  std::function<void()> work_;
  Waiter* waiter_;
};

// Receives the calls on the UI thread. It is created on first use, on any
// thread, moved to the application's thread at once, and lives as long as
// the process.
class CallRelay final : public QObject {
 public:
  bool event(QEvent* e) override {
    threadcheck::tookOver(e);  // before even its type is read
    if (e->type() != callEventType()) return QObject::event(e);
    static_cast<CallEvent*>(e)->run();
    return true;
  }
};

CallRelay* relayFor(QCoreApplication* app) {
  static std::mutex mutex;
  static QPointer<CallRelay> relay;
  std::lock_guard lock(mutex);
  if (!relay) {
    auto* made = new CallRelay;
    made->moveToThread(app->thread());
    relay = made;
  }
  return relay.data();
}

bool post(QObject* context, std::function<void()> work, Waiter* waiter) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || context == nullptr) return false;
  auto* event = new CallEvent(context, std::move(work), waiter);
  threadcheck::handOver(event);
  QCoreApplication::postEvent(relayFor(app), event);
  return true;
}

}  // namespace

void callOnThreadOf(QObject* context, const std::function<void()>& work) {
  if (context == nullptr) return;
  const QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    work();
    return;
  }
  Waiter waiter;
  if (post(context, work, &waiter)) waiter.wait();
}

void postToThreadOf(QObject* context, std::function<void()> work) {
  post(context, std::move(work), nullptr);
}

}  // namespace kiv
