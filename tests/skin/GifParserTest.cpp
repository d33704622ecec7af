#include "skin/GifParser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "skin/GifTestWriter.h"

namespace kiv {
namespace {

using test::writeGif;
using Bytes = std::vector<uint8_t>;

// Parses from an exactly sized heap block so that the sanitizer catches any
// read past the end.
int parseExact(const Bytes& bytes, size_t size, GifLayout& layout) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size == 0 ? 1 : size]);
  if (size) std::memcpy(copy.get(), bytes.data(), size);
  return GifParser::parse(copy.get(), size, layout);
}

TEST(GifParser, ReadsScreenFramesDelaysAndDisposals) {
  const Bytes gif = writeGif(test::sampleAnimation());
  GifLayout layout;
  ASSERT_EQ(1, parseExact(gif, gif.size(), layout));
  EXPECT_EQ(10, layout.width);
  EXPECT_EQ(7, layout.height);
  EXPECT_EQ(12u, layout.globalTableBytes);  // three colours round up to four entries
  EXPECT_EQ(2, layout.backgroundIndex);
  EXPECT_EQ(25u, layout.headerBytes);
  ASSERT_EQ(3u, layout.frames.size());
  const GifFrameLayout& b = layout.frames[1];
  EXPECT_EQ(2, b.left);
  EXPECT_EQ(3, b.top);
  EXPECT_EQ(4, b.width);
  EXPECT_EQ(2, b.height);
  EXPECT_EQ(4, b.delay);
  EXPECT_EQ(3, b.disposal);
  EXPECT_EQ(1, layout.frames[0].disposal);
  EXPECT_EQ(0, layout.frames[2].delay);
  EXPECT_EQ(layout.frames[2].controlBegin, layout.frames[2].descriptorBegin);
  EXPECT_EQ(gif.size() - 1, layout.frames[2].end);

  std::string text;
  EXPECT_EQ(1, GifParser::describe(gif.data(), gif.size(), text));
  EXPECT_EQ(
      "gif 10x7 frames 3\n"
      "frame 0 0 0 10 7 0 1\n"
      "frame 1 2 3 4 2 4 3\n"
      "frame 2 9 6 1 1 0 0\n",
      text);
}

TEST(GifParser, ControlExtensionBelongsToTheNextImageOnly) {
  // A second extension before the same image wins; a plain-text block uses
  // one up, and blocks in between are carried along with the frame.
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0, 0, 0};
  const Bytes first = {0x21, 0xF9, 4, 2 << 2, 7, 0, 0, 0};
  const Bytes plainText = {0x21, 0x01, 1, 0, 0};
  const Bytes second = {0x21, 0xF9, 4, 3 << 2, 9, 0, 0, 0};
  const Bytes comment = {0x21, 0xFE, 1, 'x', 0};
  const Bytes image = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0};
  for (const Bytes* part : {&first, &plainText, &image, &first, &second, &comment, &image})
    gif.insert(gif.end(), part->begin(), part->end());
  gif.push_back(0x3B);

  GifLayout layout;
  ASSERT_EQ(1, parseExact(gif, gif.size(), layout));
  ASSERT_EQ(2u, layout.frames.size());
  EXPECT_EQ(0, layout.frames[0].delay);
  EXPECT_EQ(0, layout.frames[0].disposal);
  EXPECT_EQ(9, layout.frames[1].delay);
  EXPECT_EQ(3, layout.frames[1].disposal);
  EXPECT_EQ(second.size() + comment.size(), layout.frames[1].descriptorBegin - layout.frames[1].controlBegin);
}

TEST(GifParser, EveryCutOfAValidFileIsRejected) {
  const Bytes gif = writeGif(test::sampleAnimation());
  for (size_t cut = 0; cut < gif.size(); ++cut) {
    GifLayout layout;
    ASSERT_EQ(0, parseExact(gif, cut, layout)) << "cut at " << cut;
    EXPECT_TRUE(layout.frames.empty());
    std::string text;
    EXPECT_EQ(0, GifParser::describe(gif.data(), cut, text));
    EXPECT_EQ(cut < 3 ? "not-gif\n" : "invalid\n", text) << "cut at " << cut;
  }
}

TEST(GifParser, RejectsMalformedBlocks) {
  const Bytes header = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0, 0, 0};
  const Bytes image = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0};
  auto with = [&](const Bytes& middle) {
    Bytes b = header;
    b.insert(b.end(), middle.begin(), middle.end());
    return b;
  };
  Bytes good = with(image);
  good.push_back(0x3B);
  GifLayout layout;
  ASSERT_EQ(1, parseExact(good, good.size(), layout));

  const std::vector<Bytes> bad = {
      with({0x3B}),                                                       // no image at all
      with({0x00, 0x3B}),                                                 // unknown block
      with({0x21, 0xF9, 3, 0, 0, 0, 0, 0x3B}),                            // control extension too short
      with({0x21, 0xFE, 0xFF, 'a', 0, 0x3B}),                             // sub-block longer than the file
      Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x87, 0, 0, 0x3B},  // missing global table
  };
  for (size_t i = 0; i < bad.size(); ++i) EXPECT_EQ(0, parseExact(bad[i], bad[i].size(), layout)) << "case " << i;

  std::string text;
  const Bytes bmp = {'B', 'M', 0, 0};
  EXPECT_EQ(0, GifParser::describe(bmp.data(), bmp.size(), text));
  EXPECT_EQ("not-gif\n", text);
  EXPECT_EQ(0, GifParser::describe(nullptr, 0, text));
}

TEST(GifParser, FrameFilesStandAlone) {
  const Bytes gif = writeGif(test::sampleAnimation());
  GifLayout layout;
  ASSERT_EQ(1, GifParser::parse(gif.data(), gif.size(), layout));
  for (size_t i = 0; i < layout.frames.size(); ++i) {
    const Bytes file = GifParser::frameFile(gif.data(), gif.size(), layout, i);
    GifLayout one;
    ASSERT_EQ(1, parseExact(file, file.size(), one)) << "frame " << i;
    ASSERT_EQ(1u, one.frames.size());
    const GifFrameLayout& f = layout.frames[i];
    EXPECT_EQ(f.width, one.width);
    EXPECT_EQ(f.height, one.height);
    EXPECT_EQ(0, one.frames[0].left);
    EXPECT_EQ(0, one.frames[0].top);
    EXPECT_EQ(f.delay, one.frames[0].delay);
    EXPECT_EQ(f.disposal, one.frames[0].disposal);
  }
  EXPECT_TRUE(GifParser::frameFile(gif.data(), gif.size(), layout, 3).empty());
  // A layout that does not belong to the data is refused, not followed.
  EXPECT_TRUE(GifParser::frameFile(gif.data(), 20, layout, 0).empty());
}

TEST(GifParser, RandomDamageNeverEscapesTheData) {
  const Bytes gif = writeGif(test::sampleAnimation());
  std::mt19937 rng(7);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes b = gif;
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < flips; ++k) b[6 + rng() % (b.size() - 6)] = static_cast<uint8_t>(rng());
    GifLayout layout;
    if (!parseExact(b, b.size(), layout)) continue;
    ++accepted;
    for (size_t i = 0; i < layout.frames.size(); ++i) {
      const GifFrameLayout& f = layout.frames[i];
      ASSERT_LE(f.controlBegin, f.descriptorBegin);
      ASSERT_LT(f.descriptorBegin, f.end);
      ASSERT_LE(f.end, b.size());
      const Bytes file = GifParser::frameFile(b.data(), b.size(), layout, i);
      GifLayout one;
      ASSERT_EQ(1, parseExact(file, file.size(), one));
    }
  }
  EXPECT_GT(accepted, 0);  // pixel bytes can change without breaking the layout
}

}  // namespace
}  // namespace kiv
