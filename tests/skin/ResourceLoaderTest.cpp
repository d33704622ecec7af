#include "skin/ResourceLoader.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QImageReader>

namespace kiv {
namespace {

// Every number a window of the program asks for.
const int kBitmaps[] = {138, 139, 148, 149, 171, 172, 173, 174, 175, 176, 177, 178, 179, 180, 181, 182,
                        195, 196, 197, 199, 200, 201, 206, 207, 214, 217, 218, 223, 224, 225, 226, 227,
                        228, 229, 230, 231, 232, 233, 238, 239, 240, 242, 243, 244, 245, 246, 247, 248,
                        253, 254, 257, 262, 263, 264, 265, 266, 271, 274, 275, 276, 277, 279, 280, 281};

// The skin's own pictures for tabs and buttons that no window names by number.
const int kSkinOwn[] = {300, 301, 302, 303, 304, 305, 306, 307, 308, 310, 311, 312, 313, 314, 315, 316, 317, 318,
                        320, 321, 322, 323, 324, 325, 326, 327, 328, 329, 330, 331, 332, 333, 334, 335, 336, 337,
                        350, 351, 352, 353, 354, 355, 356, 357, 358, 359, 360, 361, 362, 363, 364};

TEST(ResourceLoader, FindsEveryNumberedResource) {
  for (int number : kSkinOwn) EXPECT_FALSE(ResourceLoader::bitmap(number).isNull()) << number;
  for (int number : kBitmaps) {
    EXPECT_FALSE(ResourceLoader::bitmap(number).isNull()) << number;
    EXPECT_FALSE(ResourceLoader::bitmapImage(number).isNull()) << number;
  }
  EXPECT_EQ(ResourceLoader::bitmapNumbers().size(), int(std::size(kBitmaps) + std::size(kSkinOwn)));
  EXPECT_EQ(ResourceLoader::iconNumbers(), (QList<int>{128, 273}));
  for (int number : {128, 273}) {
    EXPECT_FALSE(ResourceLoader::icon(number).isNull()) << number;
    EXPECT_EQ(ResourceLoader::iconPixmap(number, 16).size(), QSize(16, 16)) << number;
  }
  EXPECT_EQ(ResourceLoader::wavePath(268), QStringLiteral(":/wave/268.wav"));
  EXPECT_EQ(ResourceLoader::waveUrl(268).toString(), QStringLiteral("qrc:/wave/268.wav"));
}

TEST(ResourceLoader, UnknownNumbersGiveEmptyResults) {
  EXPECT_TRUE(ResourceLoader::bitmap(9999).isNull());
  EXPECT_TRUE(ResourceLoader::bitmap(-1).isNull());
  EXPECT_TRUE(ResourceLoader::icon(171).isNull());  // a bitmap number is no icon
  EXPECT_TRUE(ResourceLoader::wave(278).isEmpty());
  EXPECT_TRUE(ResourceLoader::gif(268).isEmpty());
  EXPECT_TRUE(ResourceLoader::waveUrl(1).isEmpty());
}

TEST(ResourceLoader, PicturesHaveTheSizesTheWindowsRelyOn) {
  for (int number : {138, 139, 179, 180, 181, 182}) EXPECT_EQ(ResourceLoader::bitmap(number).size(), QSize(20, 20));
  EXPECT_EQ(ResourceLoader::bitmap(148).size(), QSize(40, 40));
  EXPECT_EQ(ResourceLoader::bitmap(149).size(), QSize(70, 70));
  EXPECT_EQ(ResourceLoader::bitmap(240).size(), QSize(70, 70));
  EXPECT_EQ(ResourceLoader::bitmap(253).size(), ResourceLoader::bitmap(254).size());
  EXPECT_EQ(ResourceLoader::bitmap(253).size(), QSize(10, 10));
  // The two bottom corners share one piece, so it must read the same mirrored.
  for (int number : {199, 177}) {
    const QImage corner = ResourceLoader::bitmapImage(number);
    EXPECT_EQ(corner, corner.mirrored(true, false)) << number;
  }
  // Top pieces of one frame join only if they are equally high.
  EXPECT_EQ(ResourceLoader::bitmap(196).height(), ResourceLoader::bitmap(197).height());
  EXPECT_EQ(ResourceLoader::bitmap(195).height(), ResourceLoader::bitmap(197).height());
  EXPECT_EQ(ResourceLoader::bitmap(172).height(), ResourceLoader::bitmap(173).height());
  EXPECT_EQ(ResourceLoader::bitmap(174).height(), ResourceLoader::bitmap(173).height());
  // List marks are drawn with white as the transparent colour: white corners.
  for (int number : {257, 274, 275, 276, 277}) {
    const QImage mark = ResourceLoader::bitmapImage(number);
    EXPECT_EQ(mark.pixel(0, 0) | 0xff000000u, 0xffffffffu) << number;
  }
}

TEST(ResourceLoader, TerminalIconsDifferClearly) {
  const int numbers[] = {274, 275, 276, 277};
  for (int a = 0; a < 4; ++a) {
    for (int b = a + 1; b < 4; ++b) {
      const QImage x = ResourceLoader::bitmapImage(numbers[a]).convertToFormat(QImage::Format_RGB32);
      const QImage y = ResourceLoader::bitmapImage(numbers[b]).convertToFormat(QImage::Format_RGB32);
      int differing = 0;
      for (int py = 0; py < x.height(); ++py)
        for (int px = 0; px < x.width(); ++px) differing += x.pixel(px, py) != y.pixel(px, py);
      EXPECT_GT(differing, x.width() * x.height() / 4) << numbers[a] << " vs " << numbers[b];
    }
  }
}

TEST(ResourceLoader, ChimeIsAShortPcmWave) {
  const QByteArray wave = ResourceLoader::wave(268);
  ASSERT_GT(wave.size(), 44);
  EXPECT_TRUE(wave.startsWith("RIFF"));
  EXPECT_EQ(wave.mid(8, 8), QByteArray("WAVEfmt "));
  const auto u32 = [&](int at) {
    return quint32(quint8(wave[at])) | quint32(quint8(wave[at + 1])) << 8 | quint32(quint8(wave[at + 2])) << 16 |
           quint32(quint8(wave[at + 3])) << 24;
  };
  EXPECT_EQ(u32(4), quint32(wave.size() - 8));
  EXPECT_EQ(u32(40), quint32(wave.size() - 44));
  const double seconds = double(u32(40)) / u32(28);
  EXPECT_GT(seconds, 0.2);
  EXPECT_LT(seconds, 1.5);
}

TEST(ResourceLoader, SignInAnimationHasSeveralFrames) {
  QByteArray gif = ResourceLoader::gif(278);
  ASSERT_TRUE(gif.startsWith("GIF89a"));
  QBuffer buffer(&gif);
  QImageReader reader(&buffer, "gif");
  int frames = 0;
  QImage frame;
  QSize size;
  while (reader.read(&frame)) {
    if (frames == 0) size = frame.size();
    EXPECT_EQ(frame.size(), size);
    ++frames;
  }
  EXPECT_GE(frames, 4);
  EXPECT_GE(size.width(), 16);
}

}  // namespace
}  // namespace kiv
