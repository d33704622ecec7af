#include "skin/CMacProgressCtrl.h"

#include <gtest/gtest.h>
#include <QTest>
#include <limits>

namespace kiv {
namespace {

TEST(CMacProgressCtrl, RedBaseSaturatesLightAndKeepsLowChannelsDark) {
  CMacProgressCtrl bar;
  bar.setColor(QColor(255, 0, 0));
  EXPECT_EQ(bar.light1(), QColor(255, 51, 51));
  EXPECT_EQ(bar.light2(), QColor(255, 102, 102));
  EXPECT_EQ(bar.light3(), QColor(255, 153, 153));
  EXPECT_EQ(bar.dark1(), QColor(204, 0, 0));
  EXPECT_EQ(bar.dark2(), QColor(153, 0, 0));
}

TEST(CMacProgressCtrl, ChannelsStepOnlyWhileTheyStayInRange) {
  EXPECT_EQ(CMacProgressCtrl::lighter(QColor(204, 205, 0)), QColor(255, 205, 51));
  EXPECT_EQ(CMacProgressCtrl::darker(QColor(50, 51, 255)), QColor(50, 0, 204));
  CMacProgressCtrl bar;
  bar.setColor(QColor(40, 100, 250));
  EXPECT_EQ(bar.dark1(), QColor(40, 49, 199));
  EXPECT_EQ(bar.dark2(), QColor(40, 49, 148));
  EXPECT_EQ(bar.light3(), QColor(193, 253, 250));
  // The shadows come from the palette, the middle one half way between.
  const QColor button = bar.buttonShadow(), dark = bar.darkShadow(), mid = bar.midShadow();
  EXPECT_EQ(mid.red(), button.red() + (dark.red() - button.red()) / 2);
}

TEST(CMacProgressCtrl, BarLengthFollowsThePositionAndSurvivesAnEmptyRange) {
  CMacProgressCtrl bar;
  bar.resize(200, 16);
  bar.setRange(0, 100);
  bar.setValue(50);
  EXPECT_EQ(bar.filledLength(), 100);
  bar.setValue(100);
  EXPECT_EQ(bar.filledLength(), 200);
  bar.setRange(-2000000000, 2000000000);
  bar.setValue(2000000000);
  EXPECT_EQ(bar.filledLength(), 200);  // no overflow on wide ranges
  bar.setRange(5, 5);
  EXPECT_EQ(bar.filledLength(), 0);
  EXPECT_FALSE(bar.grab().isNull());  // paints without dividing by zero
  bar.setOrientation(Qt::Vertical);
  bar.resize(16, 120);
  bar.setRange(0, 10);
  bar.setValue(5);
  EXPECT_EQ(bar.filledLength(), 60);
}

TEST(CMacProgressCtrl, StepItAdvancesByTheStep) {
  CMacProgressCtrl bar;
  bar.setRange(0, 100);
  bar.setValue(50);
  bar.setStep(1);
  bar.stepIt();
  EXPECT_EQ(bar.value(), 51);
  bar.setStep(60);
  bar.stepIt();  // past the end: wraps to the start
  EXPECT_EQ(bar.value(), 11);
  // A range up to the ends of int must not overflow on the way.
  bar.setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  bar.setValue(std::numeric_limits<int>::max() - 1);
  bar.setStep(std::numeric_limits<int>::max());
  bar.stepIt();
  EXPECT_EQ(bar.value(), -2);  // wrapped: min + (max - 1)
}

TEST(CMacProgressCtrl, BusyStripesRunUntilTurnedOff) {
  CMacProgressCtrl bar;
  bar.resize(160, 16);
  bar.setColor(QColor(255, 0, 0));
  bar.setBusy(true);
  EXPECT_EQ(bar.animationStep(), 0);
  const QImage first = bar.grab().toImage();
  QTest::qWait(4 * CMacProgressCtrl::kBusyInterval);
  const int step = bar.animationStep();
  EXPECT_GT(step, 0);
  EXPECT_LT(step, CMacProgressCtrl::kStripePeriod);
  EXPECT_NE(bar.grab().toImage(), first);
  bar.setBusy(false);
  const int stopped = bar.animationStep();
  QTest::qWait(3 * CMacProgressCtrl::kBusyInterval);
  EXPECT_EQ(bar.animationStep(), stopped);
}

}  // namespace
}  // namespace kiv
