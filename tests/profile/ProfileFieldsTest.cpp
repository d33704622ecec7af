// The rules behind the profile fields: the birthday the three lists stand
// for, and the byte limit of the text boxes.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "chat/ChatWindowDriver.h"
#include "profile/Birthday.h"
#include "skin/DialogControls.h"
#include "platform/qt/GbkQt.h"

namespace kiv {
namespace {

using birthday::Choice;

TEST(Birthday, SavedDatesFollowTheCalendarAndCapTheDayByItsMonth) {
  // 29 February exists in leap years only; centuries are leap years only
  // when divisible by 400.
  EXPECT_EQ(birthday::toWire({1992, 2, 29}), "19920229");
  EXPECT_EQ(birthday::toWire({1993, 2, 29}), std::nullopt);
  EXPECT_EQ(birthday::toWire({2000, 2, 29}), "20000229");
  EXPECT_FALSE(birthday::isCalendarDate(1900, 2, 29));
  // A day beyond the month is first capped: 31 February becomes 29, which a
  // leap year takes and a common year refuses; 31 April becomes 30.
  EXPECT_EQ(birthday::toWire({2000, 2, 31}), "20000229");
  EXPECT_EQ(birthday::toWire({2001, 2, 31}), std::nullopt);
  EXPECT_EQ(birthday::toWire({2001, 4, 31}), "20010430");
  EXPECT_EQ(birthday::toWire({1960, 12, 31}), "19601231");
  // "-" fields: an unknown year is sent as 1000 and may be a leap year; a
  // month or day left open sends the first of January.
  EXPECT_EQ(birthday::toWire({0, 0, 0}), "10000101");
  EXPECT_EQ(birthday::toWire({0, 2, 29}), "10000229");
  EXPECT_EQ(birthday::toWire({1985, 0, 17}), "19850101");
  EXPECT_EQ(birthday::toWire({1985, 7, 0}), "19850101");
}

TEST(Birthday, AnswersShowWhatTheListsHoldAndDashesForTheRest) {
  EXPECT_EQ(birthday::fromWire("19920229"), (Choice{1992, 2, 29}));
  EXPECT_EQ(birthday::fromWire(""), Choice{});
  // What a save of nothing wrote reads back as nothing.
  EXPECT_EQ(birthday::fromWire("10000101"), Choice{});
  // A year outside the list shows "-" alone; month and day keep their values.
  EXPECT_EQ(birthday::fromWire("10000305"), (Choice{0, 3, 5}));
  EXPECT_EQ(birthday::fromWire("19590704"), (Choice{0, 7, 4}));
  // Malformed parts show "-" instead of a wrong item.
  EXPECT_EQ(birthday::fromWire("1990131x"), (Choice{1990, 0, 0}));
  EXPECT_EQ(birthday::fromWire("199"), Choice{});
  EXPECT_EQ(birthday::fromWire("1990\xB0\xA1" "05"), (Choice{1990, 0, 5}));
}

TEST(GbkLimit, TypingStopsAtTheByteLimitWithoutSplittingACharacter) {
  // "张" is two GBK bytes: 11 bytes leave room for no more than "a" and one
  // half, so the character is refused whole.
  int cursor = -1;
  EXPECT_EQ(controls::limitedEdit("abcdefghijk", "abcdefghijk张", 12, &cursor), "abcdefghijk");
  EXPECT_EQ(cursor, 11);
  // Inserted in the middle, what does not fit of the insertion goes, the
  // text around it stays.
  EXPECT_EQ(controls::limitedEdit("ab", "a张三李四五六b", 12, &cursor), "a张三李四五b");
  EXPECT_EQ(cursor, 6);
  // A longer text already there (from the server) is never cut; it may
  // shrink but not grow.
  const QString fifteen = QStringLiteral("123456789012345");
  EXPECT_EQ(controls::limitedEdit(fifteen, fifteen + "6", 12, nullptr), fifteen);
  EXPECT_EQ(controls::limitedEdit(fifteen, fifteen.left(14), 12, nullptr), fifteen.left(14));

  QLineEdit edit;
  controls::limitGbkBytes(&edit, 12);
  controls::setUnlimitedText(&edit, fifteen);
  EXPECT_EQ(edit.text(), fifteen);
  edit.clear();
  test::typeText(&edit, QStringLiteral("木棉木棉木棉木棉"));
  EXPECT_EQ(edit.text(), QStringLiteral("木棉木棉木棉"));
  EXPECT_EQ(toGbk(edit.text()).size(), 12u);
}

}  // namespace
}  // namespace kiv
