#include "skin/CDlgBasic.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QTest>

#include "SkinTestWindows.h"
#include "skin/CBitButtonNL.h"
#include "skin/ResourceLoader.h"

namespace kiv {
namespace {

using test::TestDialog;

QRgb at(const QImage& image, int x, int y) {
  return image.pixel(x, y) | 0xff000000u;
}

TEST(CDlgBasic, FrameTilesWithoutGapAtAnyWidth) {
  const QImage top = ResourceLoader::bitmapImage(197);
  const QImage left = ResourceLoader::bitmapImage(176);
  const QImage right = ResourceLoader::bitmapImage(175);
  const QImage bottom = ResourceLoader::bitmapImage(200);
  const int tl = ResourceLoader::bitmap(196).width();
  const int tr = ResourceLoader::bitmap(195).width();
  ASSERT_GT(top.width(), 1);
  // Widths and heights that are and are not multiples of the edge pieces.
  for (const QSize size : {QSize(301, 203), QSize(300, 200), QSize(tl + tr + 1, 61), QSize(417, 333)}) {
    TestDialog dialog;
    dialog.resize(size);
    dialog.closeButton()->hide();
    dialog.minimizeButton()->hide();
    const QImage shot = dialog.grab().toImage();
    const int w = size.width();
    const int h = size.height();
    for (int y = 0; y < top.height(); ++y)
      for (int x = tl; x < w - tr; ++x)
        ASSERT_EQ(at(shot, x, y), at(top, 0, y)) << "top edge at " << x << "," << y << " width " << w;
    for (int y = top.height(); y < h - bottom.height(); ++y) {
      ASSERT_EQ(at(shot, 0, y), at(left, 0, 0)) << "left edge at y " << y;
      ASSERT_EQ(at(shot, w - 1, y), at(right, right.width() - 1, 0)) << "right edge at y " << y;
    }
    for (int x = 0; x < w; ++x) ASSERT_EQ(at(shot, x, h - 1), at(bottom, 0, bottom.height() - 1)) << x;
  }
}

TEST(CDlgBasic, BackgroundAndDecorationAreDrawnInside) {
  struct Decorated : TestDialog {
    void OnDrawBackground(QPainter& painter, int left, int top, int right, int bottom) override {
      seen = QRect(QPoint(left, top), QPoint(right, bottom));
      painter.fillRect(QRect(40, 40, 10, 10), Qt::red);
    }
    QRect seen;
  };
  Decorated dialog;
  dialog.resize(200, 150);
  const QImage shot = dialog.grab().toImage();
  EXPECT_EQ(dialog.seen, QRect(QPoint(0, 0), QPoint(200, 150)));
  EXPECT_EQ(at(shot, 45, 45), qRgb(255, 0, 0));
  EXPECT_EQ(at(shot, 100, 100), at(ResourceLoader::bitmapImage(201), 0, 0));
}

TEST(CDlgBasic, TitleButtonsKeepTheirDistanceFromTheRight) {
  TestDialog dialog;
  dialog.show();
  for (const int width : {300, 251, 480}) {
    dialog.resize(width, 200);
    QWidget* close = dialog.control(1001);
    QWidget* minimize = dialog.control(1000);
    ASSERT_NE(close, nullptr);
    ASSERT_NE(minimize, nullptr);
    EXPECT_EQ(close->geometry(), QRect(width - 24, 4, 20, 20));
    EXPECT_EQ(minimize->geometry(), QRect(width - 46, 4, 20, 20));
  }
  EXPECT_EQ(dialog.control<CBitButtonNL>(1001), dialog.closeButton());
  EXPECT_EQ(dialog.control<QLabel>(1001), nullptr);  // right number, wrong kind
}

TEST(CDlgBasic, ControlFindsNumberedChildrenAtAnyDepth) {
  TestDialog dialog;
  auto* page = new QWidget(&dialog);
  auto* label = new QLabel(QStringLiteral("手机号码:"), page);
  CDlgBasic::placeControl(label, 1018, 10, 20, 40, 8);
  EXPECT_EQ(dialog.control(1018), label);
  EXPECT_EQ(label->geometry(), QRect(15, 32, 60, 13));
  EXPECT_EQ(dialog.control(4242), nullptr);
}

TEST(CDlgBasic, CaptionMovesOnlyFromTheTop26Pixels) {
  TestDialog dialog;
  dialog.setGeometry(100, 100, 300, 200);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  const QPoint start = dialog.pos();

  QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(60, 26));
  EXPECT_FALSE(dialog.isCaptionMoving());
  QTest::mouseMove(&dialog, QPoint(90, 46));
  QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(90, 46));
  EXPECT_EQ(dialog.pos(), start);

  QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(60, 25));
  EXPECT_TRUE(dialog.isCaptionMoving());
  QTest::mouseMove(&dialog, QPoint(90, 45));
  QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(90, 45));
  EXPECT_FALSE(dialog.isCaptionMoving());
  EXPECT_EQ(dialog.pos(), start + QPoint(30, 20));
}

TEST(CDlgBasic, TitleButtonsCloseAndMinimize) {
  TestDialog dialog;
  dialog.resize(300, 200);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_FALSE(dialog.hideOnMinimize());
  dialog.minimizeButton()->click();
  EXPECT_TRUE(dialog.isMinimized());
  EXPECT_TRUE(dialog.isVisible());  // minimized, not hidden
  // Where no window manager hides a minimised window it stays on screen, and
  // must look like itself, skin and all.
  const QImage minimised = dialog.grab().toImage();
  dialog.showNormal();
  EXPECT_EQ(minimised, dialog.grab().toImage());
  dialog.closeButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
}

TEST(CDlgBasic, UsesTheProgramsNameIconAndFonts) {
  TestDialog dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("木棉"));
  EXPECT_FALSE(dialog.windowIcon().isNull());
  EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(dialog.titleFont().pixelSize(), 15);
  EXPECT_TRUE(dialog.titleFont().bold());
  EXPECT_EQ(dialog.textFont().pixelSize(), 12);
  EXPECT_EQ(dialog.font().pixelSize(), 12);
  // The text font must be able to show the program's Chinese texts.
  EXPECT_TRUE(QFontMetrics(dialog.textFont()).inFont(QChar(0x6728)));  // 木
}

}  // namespace
}  // namespace kiv
