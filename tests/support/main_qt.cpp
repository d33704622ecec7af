#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>

#include "support/QtWait.h"

// Widget tests share one QApplication. They run on the offscreen platform
// unless the caller chose another one (for example xcb under Xvfb).
int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  kiv::test::handleQtEventsWhileWaiting();
  return RUN_ALL_TESTS();
}
