// kiv-gallery DIR [gtest options]: runs every scene and saves its pictures
// in DIR (KIV_SCREENSHOTS=DIR does the same without the argument).
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "support/QtWait.h"

int main(int argc, char** argv) {
  if (argc > 1 && argv[1][0] != '-') {
    setenv("KIV_SCREENSHOTS", argv[1], 1);
    for (int i = 1; i + 1 < argc; ++i) argv[i] = argv[i + 1];
    --argc;
  }
  const char* dir = std::getenv("KIV_SCREENSHOTS");
  if (dir == nullptr || *dir == '\0') {
    std::fprintf(stderr, "usage: kiv-gallery DIR [--gtest_filter=Scene.*]  (or set KIV_SCREENSHOTS=DIR)\n");
    return 64;
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  kiv::test::handleQtEventsWhileWaiting();
  const int status = RUN_ALL_TESTS();
  std::printf("pictures in %s\n", dir);
  return status;
}
