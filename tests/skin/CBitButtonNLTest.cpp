#include "skin/CBitButtonNL.h"

#include <gtest/gtest.h>
#include <QEnterEvent>
#include <QPainter>
#include <QTest>

namespace kiv {
namespace {

// A 20 x 20 picture with a marker pixel, so moves are easy to see.
QPixmap picture(QColor fill, QPoint marker = {5, 5}) {
  QImage image(20, 20, QImage::Format_RGB32);
  image.fill(fill);
  image.setPixel(marker, qRgb(0, 0, 0));
  return QPixmap::fromImage(image);
}

QRgb at(QWidget& w, int x, int y) {
  return w.grab().toImage().pixel(x, y) | 0xff000000u;
}

// Through the window, as real mouse moves arrive, so that the widgets under
// the mouse get their enter and leave events.
void moveTo(QWidget& top, QPoint pos) {
  QTest::mouseMove(top.windowHandle(), pos);
}

class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent.resize(120, 60);
    parent.setAutoFillBackground(true);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, Qt::white);
    parent.setPalette(pal);
    first = new CBitButtonNL(&parent);
    second = new CBitButtonNL(&parent);
    first->setGeometry(10, 10, 22, 22);
    second->setGeometry(32, 10, 22, 22);  // touching neighbours
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    moveTo(parent, QPoint(100, 50));  // start away from the buttons
  }
  QWidget parent;
  CBitButtonNL* first = nullptr;
  CBitButtonNL* second = nullptr;
};

TEST_F(ButtonTest, OnlyANormalPictureMovesOnePixelWhilePressed) {
  ASSERT_EQ(first->setImages(picture(Qt::green)), 1);
  EXPECT_EQ(at(*first, 5, 5), qRgb(0, 0, 0));
  moveTo(parent, QPoint(20, 20));
  EXPECT_EQ(at(*first, 5, 5), qRgb(0, 0, 0));  // hover shows the normal picture too
  QTest::mousePress(first, Qt::LeftButton, {}, QPoint(8, 8));
  ASSERT_TRUE(first->isDown());
  EXPECT_EQ(at(*first, 6, 6), qRgb(0, 0, 0));
  EXPECT_EQ(at(*first, 5, 5), qRgb(0, 255, 0));
  EXPECT_EQ(at(*first, 0, 0), qRgb(255, 255, 255));  // the uncovered edge shows the parent
  QTest::mouseRelease(first, Qt::LeftButton, {}, QPoint(8, 8));
  EXPECT_EQ(at(*first, 5, 5), qRgb(0, 0, 0));
}

TEST_F(ButtonTest, EachStateShowsItsOwnPicture) {
  ASSERT_EQ(first->setImages(picture(Qt::green), picture(Qt::red), picture(Qt::blue), picture(Qt::gray)), 1);
  EXPECT_EQ(at(*first, 1, 1), qRgb(0, 255, 0));
  moveTo(parent, QPoint(20, 20));
  EXPECT_TRUE(first->isHover());
  EXPECT_EQ(at(*first, 1, 1), qRgb(0, 0, 255));
  QTest::mousePress(first, Qt::LeftButton, {}, QPoint(8, 8));
  EXPECT_EQ(at(*first, 1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(at(*first, 5, 5), qRgb(0, 0, 0));  // a pressed picture is not moved
  QTest::mouseRelease(first, Qt::LeftButton, {}, QPoint(8, 8));
  first->setEnabled(false);
  EXPECT_EQ(at(*first, 1, 1), QColor(Qt::gray).rgb());
}

TEST_F(ButtonTest, DisabledWithoutItsPictureIsGreyedNormal) {
  ASSERT_EQ(first->setImages(picture(QColor(200, 30, 30))), 1);
  first->setEnabled(false);
  const QColor c = QColor::fromRgb(at(*first, 1, 1));
  EXPECT_EQ(c.red(), c.green());
  EXPECT_EQ(c.green(), c.blue());
  EXPECT_GT(c.red(), 100);  // faded, not black
}

TEST_F(ButtonTest, HoverMovesCleanlyToTheNeighbour) {
  first->setImages(picture(Qt::green));
  second->setImages(picture(Qt::green));
  moveTo(parent, QPoint(20, 20));
  EXPECT_TRUE(first->isHover());
  EXPECT_FALSE(second->isHover());
  moveTo(parent, QPoint(33, 20));
  EXPECT_FALSE(first->isHover());
  EXPECT_TRUE(second->isHover());
  moveTo(parent, QPoint(100, 50));
  EXPECT_FALSE(first->isHover());
  EXPECT_FALSE(second->isHover());
  // Hidden while lit (a tab switch hides its buttons): it comes back unlit.
  moveTo(parent, QPoint(33, 20));
  second->hide();
  second->show();
  EXPECT_FALSE(second->isHover());
}

TEST_F(ButtonTest, DraggingOntoAButtonWithTheButtonHeldDoesNotLightItUp) {
  first->setImages(picture(Qt::green));
  QTest::mousePress(parent.windowHandle(), Qt::LeftButton, {}, QPoint(100, 50));
  moveTo(parent, QPoint(20, 20));
  EXPECT_FALSE(first->isHover());
  QTest::mouseRelease(parent.windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
}

TEST_F(ButtonTest, AClickTakesTheFocusUnlessTheButtonMayNeverHaveIt) {
  parent.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
  first->click();
  EXPECT_TRUE(first->hasFocus());
  second->setFocusPolicy(Qt::NoFocus);  // as the title buttons are
  second->click();
  EXPECT_TRUE(first->hasFocus());
}

TEST(CBitButtonNL, PicturesAreAllOrNothing) {
  CBitButtonNL button;
  EXPECT_EQ(button.setImages(picture(Qt::green), picture(Qt::red)), 1);
  EXPECT_FALSE(button.pressedImage().isNull());
  EXPECT_EQ(button.sizeHint(), QSize(20, 20));
  // No normal picture: nothing at all is kept.
  EXPECT_EQ(button.setImages(QPixmap(), picture(Qt::red)), 0);
  EXPECT_TRUE(button.normalImage().isNull());
  EXPECT_TRUE(button.pressedImage().isNull());
  // By number: one unreadable number drops them all.
  EXPECT_EQ(button.setBitmaps(232, 232, 233), 1);
  EXPECT_FALSE(button.hoverImage().isNull());
  EXPECT_EQ(button.setBitmaps(232, 9999, 233), 0);
  EXPECT_TRUE(button.normalImage().isNull());
  EXPECT_TRUE(button.hoverImage().isNull());
}

TEST(CBitButtonNL, DrawsItsCaptionOnlyWhenAsked) {
  QWidget parent;
  parent.resize(80, 30);
  auto* button = new CBitButtonNL(QStringLiteral("发送"), &parent);
  button->setGeometry(0, 0, 72, 24);
  QImage plain(72, 24, QImage::Format_RGB32);
  plain.fill(Qt::white);
  button->setImages(QPixmap::fromImage(plain));
  const QImage without = button->grab().toImage();
  button->setDrawText(true).setBold(true).setTextColors(Qt::black, Qt::red, Qt::blue);
  EXPECT_TRUE(button->drawsText());
  EXPECT_TRUE(button->font().bold());
  const QImage with = button->grab().toImage();
  EXPECT_NE(with, without);
  // The caption is centred: nothing drawn in the outer columns.
  for (int y = 0; y < 24; ++y) {
    EXPECT_EQ(with.pixel(1, y), without.pixel(1, y));
    EXPECT_EQ(with.pixel(70, y), without.pixel(70, y));
  }
}

TEST(CBitButtonNL, FontSettersEachChangeOnlyTheirOwnPart) {
  CBitButtonNL button;
  button.setPointSize(11).setBold(true).setItalic(true).setUnderline(true).setFaceName(QStringLiteral("Serif"));
  button.setItalic(false).setPointSize(0).setPointSize(-3);  // no size: the size stays
  const QFont f = button.font();
  EXPECT_TRUE(f.bold());
  EXPECT_FALSE(f.italic());
  EXPECT_TRUE(f.underline());
  EXPECT_EQ(f.pointSize(), 11);
  EXPECT_EQ(f.families(), QStringList{QStringLiteral("Serif")});
}

}  // namespace
}  // namespace kiv
