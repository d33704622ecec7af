#include "support/QtWait.h"

#include <QCoreApplication>
#include <QTest>

#include "support/WaitFor.h"

namespace kiv::test {

void handleQtEventsWhileWaiting() {
  setWaitPump([](std::chrono::milliseconds slice) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(slice.count()) + 3);
    QTest::qSleep(static_cast<int>(slice.count()));
  });
}

}  // namespace kiv::test
