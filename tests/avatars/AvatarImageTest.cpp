#include <gtest/gtest.h>

#include <QFile>

#include "avatars/AvatarPaths.h"
#include "avatars/Avatars.h"
#include "support/TempDir.h"

namespace kiv {
namespace {

TEST(AvatarImage, GrayIsSevenTenthsGreenAndThreeTenthsRed) {
  QImage picture(4, 1, QImage::Format_ARGB32);
  picture.setPixel(0, 0, qRgba(100, 200, 50, 255));
  picture.setPixel(1, 0, qRgba(255, 0, 255, 255));  // blue does not count
  picture.setPixel(2, 0, qRgba(255, 255, 255, 128));
  picture.setPixel(3, 0, qRgba(9, 8, 0, 255));  // integer division: 8.3 -> 8
  MakeGrayAvatar(picture);
  EXPECT_EQ(picture.pixel(0, 0), qRgba(170, 170, 170, 255));
  EXPECT_EQ(picture.pixel(1, 0), qRgba(76, 76, 76, 255));
  EXPECT_EQ(picture.pixel(2, 0), qRgba(255, 255, 255, 128));
  EXPECT_EQ(picture.pixel(3, 0), qRgba(8, 8, 8, 255));

  QImage indexed(2, 2, QImage::Format_Indexed8);  // other formats are converted first
  indexed.setColorTable({qRgb(10, 20, 30)});
  indexed.fill(0);
  MakeGrayAvatar(indexed);
  EXPECT_EQ(indexed.pixel(1, 1), qRgb(17, 17, 17));
}

TEST(AvatarImage, ScalingStretchesWithoutSmoothing) {
  QImage picture(2, 1, QImage::Format_RGB32);
  picture.setPixel(0, 0, qRgb(255, 0, 0));
  picture.setPixel(1, 0, qRgb(0, 0, 255));
  const QImage scaled = scaleAvatar(picture, 20);
  ASSERT_EQ(scaled.size(), QSize(20, 20));
  // Nearest pixel only: no blended colour anywhere.
  for (int x = 0; x < 20; ++x) EXPECT_EQ(scaled.pixel(x, 19), x < 10 ? qRgb(255, 0, 0) : qRgb(0, 0, 255)) << x;
  EXPECT_TRUE(scaleAvatar(QImage(), 20).isNull());
}

TEST(AvatarImage, NamesAndSizes) {
  test::TempDir home;
  test::ScopedEnv env("KIV_HOME", home.path().c_str());
  EXPECT_EQ(avatar::cacheFile(12, 34, false), home.path() + "/12/face/34.bmp");
  EXPECT_EQ(avatar::cacheFile(12, 34, true), home.path() + "/12/face/g34.bmp");
  EXPECT_EQ(avatar::webPath(34, false), "upload/user/34.jpg");
  EXPECT_EQ(avatar::webPath(34, true), "upload/group/34.jpg");
  EXPECT_EQ(avatar::drawSize(70), 70);
  EXPECT_EQ(avatar::drawSize(40), 40);
  EXPECT_EQ(avatar::drawSize(55), 20);
  EXPECT_EQ(avatar::drawSize(-1), 20);
}

TEST(AvatarImage, ChoosingAPicture) {
  test::TempDir dir;
  QImage original(140, 35, QImage::Format_RGB32);
  original.fill(qRgb(0, 128, 255));
  const QString png = QString::fromStdString(dir.file("pick.png"));
  ASSERT_TRUE(original.save(png, "PNG"));
  const QString notPicture = QString::fromStdString(dir.file("text.jpg"));
  {
    QFile file(notPicture);
    file.open(QIODevice::WriteOnly);
    file.write("plain text");
  }

  QImage bitmap(3, 3, QImage::Format_RGB32);
  bitmap.fill(Qt::white);
  QString path = "before";
  QString filterSeen;
  const auto chooser = [&](std::optional<QString> answer) {
    return AvatarChooser([&, answer](const QString& filter) {
      filterSeen = filter;
      return answer;
    });
  };
  EXPECT_EQ(ChooseAvatarImage(bitmap, path, chooser(std::nullopt)), 0);  // cancelled
  EXPECT_EQ(filterSeen, "JPEG image (*.jpg);;GIF image (*.gif);;PNG image (*.png)");
  EXPECT_EQ(ChooseAvatarImage(bitmap, path, chooser(notPicture)), 0);
  EXPECT_EQ(ChooseAvatarImage(bitmap, path, AvatarChooser()), 0);
  EXPECT_EQ(bitmap.size(), QSize(3, 3));
  EXPECT_EQ(path, "before");

  EXPECT_EQ(ChooseAvatarImage(bitmap, path, chooser(png)), 1);
  EXPECT_EQ(bitmap.size(), QSize(70, 70));
  EXPECT_EQ(bitmap.pixel(69, 0), qRgb(0, 128, 255));
  EXPECT_EQ(path, png);
}

}  // namespace
}  // namespace kiv
