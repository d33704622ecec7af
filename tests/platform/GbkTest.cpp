#include "platform/Gbk.h"

#include <gtest/gtest.h>

namespace kiv {
namespace {

const std::string kServiceUtf8 = "木棉客服";
// 木 C4 BE, 棉 C3 DE, 客 BF CD, 服 B7 FE
const std::string kServiceGbk = "\xC4\xBE\xC3\xDE\xBF\xCD\xB7\xFE";

TEST(Gbk, RoundTripsChineseAndAscii) {
  EXPECT_EQ(gbk::fromUtf8(kServiceUtf8), kServiceGbk);
  EXPECT_EQ(gbk::toUtf8(kServiceGbk), kServiceUtf8);
  EXPECT_EQ(gbk::toUtf16(kServiceGbk), u"木棉客服");
  const std::string mixed = "ID号:1000 (木棉) it's 100%";
  EXPECT_EQ(gbk::toUtf8(gbk::fromUtf8(mixed)), mixed);
  EXPECT_EQ(gbk::toUtf8(""), "");
}

TEST(Gbk, InvalidBytesBecomeReplacementCharacters) {
  // A lone lead byte at the end, a lead byte followed by a byte that cannot trail, 0x80 and 0xFF.
  EXPECT_EQ(gbk::toUtf8("a\xC4"), "a\xEF\xBF\xBD");
  EXPECT_EQ(gbk::toUtf8("\xC4 "), "\xEF\xBF\xBD ");
  EXPECT_EQ(gbk::toUtf8("\x80\xFF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(gbk::toUtf16("\xFF"), u"\uFFFD");
  // Every byte pair decodes to something and never crashes.
  std::string all;
  for (int i = 0; i < 256; ++i)
    for (int j = 0; j < 256; j += 7) all += {static_cast<char>(i), static_cast<char>(j)};
  EXPECT_FALSE(gbk::toUtf8(all).empty());
}

TEST(Gbk, UnrepresentableAndInvalidUtf8BecomeQuestionMarks) {
  EXPECT_EQ(gbk::fromUtf8("a😀b"), "a?b");
  EXPECT_EQ(gbk::fromUtf8("x\xE6\x9C"), "x??");
}

TEST(Gbk, CutNeverSplitsATwoByteCharacter) {
  // 15 ASCII bytes then a Chinese character: a 16-byte field cannot hold the
  // character's second byte, so the cut stops before it.
  const std::string text = std::string(15, 'a') + kServiceGbk;
  EXPECT_EQ(gbk::fitLength(text, 16), 15u);
  EXPECT_EQ(gbk::cut(text, 17), std::string(15, 'a') + "\xC4\xBE");
  EXPECT_EQ(gbk::fitLength(kServiceGbk, 7), 6u);
  EXPECT_EQ(gbk::fitLength(kServiceGbk, 100), kServiceGbk.size());
  EXPECT_EQ(gbk::fitLength("", 5), 0u);
  // A lead byte followed by a byte that cannot trail counts alone.
  EXPECT_EQ(gbk::fitLength("\xC4 ", 1), 1u);
}

}  // namespace
}  // namespace kiv
