#pragma once

#include <QObject>
#include <functional>

namespace kiv {

// Runs `work` on the UI thread and returns once it has run there, or at once
// without running it when `context` (the application object or a widget,
// which only guards the call) is destroyed before its turn. On the UI thread
// itself it runs at once. The caller waits, so `work` may use the caller's
// locals by reference. Never call it from a thread that the UI thread may be
// waiting for.
void callOnThreadOf(QObject* context, const std::function<void()>& work);

// Queues `work` to run on the UI thread and returns at once; it does not run
// when `context` is destroyed first (or the application is ending).
void postToThreadOf(QObject* context, std::function<void()> work);

// Both go through the UI thread's event queue, like Qt's queued and blocking
// calls, but the hand-over itself is ours: the call is built, posted and
// waited for outside Qt, so the thread checker sees every step of it (it
// cannot see inside Qt, which is not built with it).

}  // namespace kiv
