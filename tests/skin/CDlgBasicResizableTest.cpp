#include "skin/CDlgBasicResizable.h"

#include <gtest/gtest.h>
#include <QTest>

#include "SkinTestWindows.h"
#include "skin/CBitButtonNL.h"
#include "skin/ResourceLoader.h"
#include "support/WaitFor.h"

namespace kiv {
namespace {

using test::TestResizable;
using Zone = CDlgBasicResizable::Zone;

TEST(CDlgBasicResizable, ClassifiesPressesIntoTheGrabZones) {
  const int w = 200;
  const int h = 466;
  struct Case {
    QPoint point;
    Zone zone;
  };
  const Case cases[] = {
      {{2, 0}, Zone::Top},
      {{w - 3, 1}, Zone::Top},
      {{0, 2}, Zone::Left},
      {{1, h - 3}, Zone::Left},
      {{2, 2}, Zone::TopLeft},
      {{4, 4}, Zone::TopLeft},
      {{5, 5}, Zone::Interior},
      {{w - 5, 2}, Zone::TopRight},
      {{w - 3, 4}, Zone::TopRight},
      {{2, h - 5}, Zone::BottomLeft},
      {{w - 5, h - 5}, Zone::BottomRight},
      {{w - 3, h - 3}, Zone::BottomRight},
      {{w - 2, 2}, Zone::Right},
      {{w - 1, h - 3}, Zone::Right},
      {{2, h - 2}, Zone::Bottom},
      {{w - 3, h - 1}, Zone::Bottom},
      {{100, 200}, Zone::Interior},
      // The outer corner squares belong to no zone.
      {{0, 0}, Zone::None},
      {{w - 1, 0}, Zone::None},
      {{1, h - 1}, Zone::None},
      {{w - 1, h - 1}, Zone::None},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CDlgBasicResizable::zoneAt(c.point, w, h), c.zone) << c.point.x() << "," << c.point.y();
}

class DragTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.setGeometry(300, 200, 260, 520);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  // Lets a couple of 20 ms drag steps run.
  static void steps() { QTest::qWait(3 * CDlgBasicResizable::kDragInterval); }

  TestResizable window;
};

TEST_F(DragTest, BottomRightShrinkStopsAtTheMinimumAndFollowsBack) {
  const QPoint grab(window.width() - 4, window.height() - 4);
  QTest::mousePress(&window, Qt::LeftButton, {}, grab);
  EXPECT_EQ(window.dragZone(), Zone::BottomRight);
  QTest::mouseMove(&window, QPoint(20, 30));
  steps();
  EXPECT_EQ(window.geometry(), QRect(300, 200, 170, 400));
  // Back out again: the corner follows the cursor at the distance of the grab.
  QTest::mouseMove(&window, grab - QPoint(60, 80));
  steps();
  EXPECT_EQ(window.geometry(), QRect(300, 200, 200, 440));
  QTest::mouseRelease(&window, Qt::LeftButton, {}, grab - QPoint(60, 80));
  EXPECT_FALSE(window.isDragging());
  const QRect after = window.geometry();
  steps();
  EXPECT_EQ(window.geometry(), after);  // no timer left running
}

TEST_F(DragTest, TopLeftCornerKeepsTheOppositeEdgesInPlace) {
  QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(3, 3));
  ASSERT_EQ(window.dragZone(), Zone::TopLeft);
  // Far past the minimum width, well within the height.
  QTest::mouseMove(&window, QPoint(240, 53));
  steps();
  EXPECT_EQ(window.geometry(), QRect(300 + 260 - 170, 250, 170, 470));
  QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(0, 0));
}

TEST_F(DragTest, InteriorDragMovesTheWindowWithoutResizing) {
  QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(100, 300));
  ASSERT_EQ(window.dragZone(), Zone::Interior);
  QTest::mouseMove(&window, QPoint(140, 270));
  steps();
  EXPECT_EQ(window.geometry(), QRect(340, 170, 260, 520));
  QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(100, 300));
}

TEST_F(DragTest, TitleButtonsFollowTheRightEdge) {
  QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(window.width() - 1, 200));
  ASSERT_EQ(window.dragZone(), Zone::Right);
  QTest::mouseMove(&window, QPoint(window.width() - 1 + 57, 200));
  steps();
  QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(window.width() - 1, 200));
  ASSERT_EQ(window.width(), 317);
  EXPECT_EQ(window.control(1001)->geometry(), QRect(317 - 24, 4, 20, 20));
  EXPECT_EQ(window.control(1000)->geometry(), QRect(317 - 46, 4, 20, 20));
}

TEST_F(DragTest, HoverShowsTheResizeCursorOfTheZone) {
  QTest::mouseMove(&window, QPoint(window.width() - 1, 200));
  EXPECT_EQ(window.cursor().shape(), Qt::SizeHorCursor);
  QTest::mouseMove(&window, QPoint(window.width() - 4, window.height() - 4));
  EXPECT_EQ(window.cursor().shape(), Qt::SizeFDiagCursor);
  QTest::mouseMove(&window, QPoint(window.width() - 4, 3));
  EXPECT_EQ(window.cursor().shape(), Qt::SizeBDiagCursor);
  QTest::mouseMove(&window, QPoint(100, window.height() - 1));
  EXPECT_EQ(window.cursor().shape(), Qt::SizeVerCursor);
  QTest::mouseMove(&window, QPoint(100, 200));
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
}

TEST(CDlgBasicResizable, HidesOnMinimizeAndDrawsItsOwnFrameAndHeader) {
  TestResizable window;
  window.resize(181, 466);
  EXPECT_TRUE(window.hideOnMinimize());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.minimizeButton()->click();
  EXPECT_FALSE(window.isVisible());
  // Minimized some other way (taskbar, keyboard) it goes to the tray too,
  // and comes back in its normal state.
  window.showNormal();
  window.setWindowState(Qt::WindowMinimized);
  EXPECT_TRUE(test::waitFor([&] { return !window.isVisible(); }, std::chrono::seconds(1)));
  EXPECT_FALSE(window.isMinimized());

  const QImage blank = window.grab().toImage();
  window.setProfileText(QStringLiteral("昵称:木棉\nID号:10001\n积分:7"));
  window.setSignatureText(QStringLiteral("简介:你好"));
  const QImage shot = window.grab().toImage();
  // Its own top piece, not the dialog's.
  const QImage top = ResourceLoader::bitmapImage(173);
  EXPECT_EQ(shot.pixel(120, top.height() - 1) | 0xff000000u, top.pixel(0, top.height() - 1) | 0xff000000u);
  // The header texts change pixels only inside their rectangles.
  auto changedIn = [&](const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += shot.pixel(x, y) != blank.pixel(x, y);
    return n;
  };
  const QRect profile = CDlgBasicResizable::profileRect(181);
  const QRect signature = CDlgBasicResizable::signatureRect(181);
  EXPECT_GT(changedIn(profile), 50);
  EXPECT_GT(changedIn(signature), 20);
  EXPECT_EQ(changedIn(QRect(0, 95, 181, 466 - 95)), 0);
  EXPECT_EQ(changedIn(QRect(0, 0, 181, 29)), 0);
}

}  // namespace
}  // namespace kiv
