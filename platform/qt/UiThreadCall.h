#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <utility>

#include "platform/ThreadCheck.h"

namespace kiv {

// Runs `work` on the thread of `context` (for the application object and
// every widget, the UI thread) and returns once it has run there; on that
// thread itself it runs at once. The caller waits, so `work` may use the
// caller's locals by reference. Never call it from a thread that the UI
// thread may be waiting for.
//
// Qt's blocking call waits on a semaphore inside Qt, out of the thread
// checker's sight, so the hand-over is announced both ways: to the context's
// thread before the call, and back when Qt destroys the call on this thread,
// before its memory is freed. The announcement goes through one token for
// all such calls: the context's thread cannot read a token of the call's own
// before it has taken the call over. Use this rather than a bare blocking
// call.
inline const char uiThreadCallToken = 0;

template <class F>
void callOnThreadOf(QObject* context, F&& work) {
  if (QThread::currentThread() == context->thread()) {
    work();
    return;
  }
  struct TakeBack {
    ~TakeBack() { threadcheck::tookOver(&uiThreadCallToken); }
  };
  threadcheck::handOver(&uiThreadCallToken);
  QMetaObject::invokeMethod(
      context,
      [&work, back = TakeBack{}] {
        threadcheck::tookOver(&uiThreadCallToken);
        work();
        threadcheck::handOver(&uiThreadCallToken);
      },
      Qt::BlockingQueuedConnection);
}

// Queues `work` to run on the thread of `context` and returns at once; it
// runs there unless `context` is destroyed first. Announced to the thread
// checker like callOnThreadOf: Qt's queue is guarded inside Qt.
template <class F>
void postToThreadOf(QObject* context, F&& work) {
  threadcheck::handOver(&uiThreadCallToken);
  QMetaObject::invokeMethod(
      context,
      [work = std::forward<F>(work)]() mutable {
        threadcheck::tookOver(&uiThreadCallToken);
        work();
      },
      Qt::QueuedConnection);
}

}  // namespace kiv
