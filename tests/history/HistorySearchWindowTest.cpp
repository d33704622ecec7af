// Searching the whole history from the message manager as a user does it:
// type into the search box, press Enter, read the results, ask for more,
// click one and read the page it opens.
#include <gtest/gtest.h>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "history/CDlgHistory.h"
#include "history/SearchResultList.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/NetClient.h"
#include "platform/Gbk.h"
#include "skin/CBitButtonNL.h"
#include "storage/LocalStores.h"
#include "support/QtAccessibility.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

namespace kiv::test {
namespace {

constexpr std::int32_t kSelf = 10001;
constexpr std::int32_t kFriend = 10002;
constexpr std::int32_t kPlainSpoken = 10003;
constexpr std::int32_t kStranger = 10005;
constexpr std::int32_t kUnknown = 10009;  // in no list: named by the number
constexpr std::int32_t kGroup = 20001;
constexpr std::chrono::milliseconds kWait{60000};  // a slow machine builds the index slowly; nothing waits this long when it works

const char* const kHostile = "王大伟:他说 \"不\" OR NOT <b>粗体</b> NEAR(火, 锅) *";

ContactEntry person(std::int32_t userId, const char* nickname) {
  ContactEntry entry;
  entry.userId = userId;
  entry.nickname = gbk::fromUtf8(nickname);
  entry.terminal = 3;
  return entry;
}

std::string at(int minute) {
  return "24-05-01 1" + std::to_string(minute / 60) + ":" + (minute % 60 < 10 ? "0" : "") +
         std::to_string(minute % 60) + ":00";
}

class HistorySearchWindowTest : public ::testing::Test {
 protected:
  HistorySearchWindowTest() {
    store.history.OpenMessageDatabase(kSelf);
    SelfProfile self;
    self.userId = kSelf;
    model.setSelf(self);
    model.addOrUpdateContact(ContactListKind::kFriends, person(kFriend, "李小红"));
    model.addOrUpdateContact(ContactListKind::kFriends, person(kPlainSpoken, "王大伟"));
    model.addOrUpdateGroup(kGroup, gbk::fromUtf8("木棉同学会        "), true, false);
    model.addOrUpdateContact(ContactListKind::kStrangers, person(kStranger, "赵磊"));

    // Pages of twenty, newest first: message 3 of the friend is on page 2.
    for (int n = 1; n <= 45; ++n)
      store.history.AppendUserMessage(
          kFriend, gbk::fromUtf8(n == 3 ? "李小红:周末一起吃火锅吧" : "李小红:消息 " + std::to_string(n)), at(n));
    for (int n = 1; n <= 24; ++n)
      store.history.AppendGroupMessage(kGroup, gbk::fromUtf8("陈静:第" + std::to_string(n) + "次火锅"), at(100 + n));
    std::string longTalk = "陈静:";
    for (int n = 0; n < 6; ++n) longTalk += "这是一段很长的话，";
    store.history.AppendGroupMessage(kGroup, gbk::fromUtf8(longTalk + "最后说到火锅\r\n和别的"), at(130));
    store.history.AppendUserMessage(kUnknown, gbk::fromUtf8("明天火锅见"), at(140));
    store.history.AppendUserMessage(kStranger, gbk::fromUtf8("赵磊:你好"), at(145));
    store.history.AppendUserMessage(kPlainSpoken, gbk::fromUtf8(kHostile), at(150));

    dialog.Rebuild();
    preparing = dialog.searchStatus()->text();  // no event has run: the index is still being opened
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  }

  // Types the query and presses Enter, then waits for the answer.
  void search(const char* query) {
    QLineEdit* box = dialog.searchBox();
    box->clear();
    box->setFocus();
    // Chinese comes from the input method, as one committed string.
    QInputMethodEvent typed;
    typed.setCommitString(QString::fromUtf8(query));
    QApplication::sendEvent(box, &typed);
    QTest::keyClick(box, Qt::Key_Return);
    waitForAnswer();
  }

  void waitForAnswer() {
    ASSERT_TRUE(waitFor(
        [&] { return dialog.search().state() != HistorySearch::State::kPreparing && !dialog.search().searching(); },
        kWait));
  }

  QTreeWidgetItem* row(int index) { return dialog.results()->topLevelItem(index); }
  QString column(int index, int which) { return row(index)->text(which); }

  // Every row shows the query plainly and marks exactly it.
  void expectMarked(const char* query) {
    SearchResultList* list = dialog.results();
    for (int i = 0; i < list->rowCount(); ++i) {
      const QString text = column(i, SearchResultList::kText);
      const QVariantList marks = row(i)->data(SearchResultList::kText, SearchResultList::kMarksRole).toList();
      ASSERT_FALSE(marks.isEmpty()) << i;
      for (const QVariant& mark : marks)
        EXPECT_EQ(text.mid(mark.toPoint().x(), mark.toPoint().y()), QString::fromUtf8(query)) << text.toStdString();
    }
  }

  void click(QTreeWidgetItem* item) {
    ASSERT_NE(item, nullptr);
    SearchResultList* list = dialog.results();
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
  }

  TempDir home;
  ScopedEnv programDirectory{"KIV_HOME", home.path().c_str()};
  NetClient net{NetClient::Options{nullptr, 0.02, home.file("Log"), nullptr}};
  ContactModel model;
  LocalStores store;
  ClientSession session{net, model, store, {}};
  CDlgHistory dialog{session};
  QString preparing;
};

TEST_F(HistorySearchWindowTest, AChineseWordIsFoundInEveryConversationPagedAndOpensItsPage) {
  EXPECT_EQ(preparing, QStringLiteral("正在准备搜索…"));
  search("火锅");
  SearchResultList* list = dialog.results();
  ASSERT_TRUE(list->isVisible());
  EXPECT_FALSE(dialog.pane()->isVisible());
  EXPECT_TRUE(dialog.isVisible());  // Enter in the box searched, it neither paged nor closed

  // Newest first, across conversations; a partner the lists do not know
  // is named by the number.
  ASSERT_EQ(list->rowCount(), 20);
  EXPECT_EQ(column(0, SearchResultList::kConversation), QStringLiteral("10009"));
  EXPECT_EQ(column(0, SearchResultList::kTime), QStringLiteral("24-05-01 12:20:00"));
  EXPECT_EQ(column(0, SearchResultList::kText), QStringLiteral("明天火锅见"));
  EXPECT_EQ(column(1, SearchResultList::kConversation), QStringLiteral("木棉同学会"));
  // A long message is cut to show the match, its line break as a space.
  EXPECT_TRUE(column(1, SearchResultList::kText).startsWith(QStringLiteral("…")));
  EXPECT_TRUE(column(1, SearchResultList::kText).endsWith(QStringLiteral("最后说到火锅  和别的")));
  EXPECT_EQ(column(2, SearchResultList::kText), QStringLiteral("陈静:第24次火锅"));
  expectMarked("火锅");
  EXPECT_TRUE(dialog.searchStatus()->text().startsWith(QStringLiteral("找到 20 条")));
  EXPECT_TRUE(unnamedControls(&dialog).isEmpty()) << unnamedControls(&dialog).join(", ").toStdString();

  // The older ones on demand, below those already shown.
  ASSERT_NE(list->moreItem(), nullptr);
  QTreeWidgetItem* first = row(0);
  click(list->moreItem());
  waitForAnswer();
  ASSERT_EQ(list->rowCount(), 27);
  EXPECT_EQ(row(0), first);
  EXPECT_EQ(list->moreItem(), nullptr);
  EXPECT_EQ(column(25, SearchResultList::kText), QStringLiteral("陈静:第1次火锅"));
  EXPECT_EQ(column(26, SearchResultList::kConversation), QStringLiteral("李小红"));
  expectMarked("火锅");
  for (int i = 0; i < list->rowCount(); ++i)
    EXPECT_NE(column(i, SearchResultList::kConversation), QStringLiteral("王大伟"));  // 火 and 锅 apart

  // The friend's message is on the third page of that conversation.
  click(row(26));
  ASSERT_TRUE(waitFor([&] { return dialog.pane()->isVisible(); }, kWait));
  EXPECT_FALSE(list->isVisible());
  const QString page = dialog.pane()->toPlainText();
  EXPECT_TRUE(page.contains(QStringLiteral("李小红:消息 5")));
  EXPECT_TRUE(page.contains(QStringLiteral("李小红:消息 1\n")) || page.endsWith(QStringLiteral("李小红:消息 1")));
  EXPECT_FALSE(page.contains(QStringLiteral("李小红:消息 6")));
  EXPECT_EQ(dialog.pane()->textCursor().selectedText(), QStringLiteral("李小红:周末一起吃火锅吧"));
  EXPECT_EQ(dialog.tree()->currentItem()->text(0), QStringLiteral("李小红"));
  // Paging goes on from there in that conversation.
  dialog.previousPage();
  dialog.previousPage();
  EXPECT_TRUE(dialog.pane()->toPlainText().contains(QStringLiteral("李小红:消息 25")));

  // Searching again brings the results back in the pane's place.
  search("吃火锅");
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(list->moreItem(), nullptr);
  expectMarked("吃火锅");
}

TEST_F(HistorySearchWindowTest, QueryLanguageAndMarkupAreSearchedAndShownAsPlainText) {
  const QString hostile = QString::fromUtf8(kHostile);
  for (const char* query : {"\"不\" OR NOT", "NEAR(火", "*", "<b>粗体</b>"}) {
    search(query);
    ASSERT_EQ(dialog.results()->rowCount(), 1) << query;
    EXPECT_EQ(column(0, SearchResultList::kConversation), QStringLiteral("王大伟"));
    // The whole text for the tooltip and screen readers, the row cut to the
    // match: both the characters as they were sent.
    EXPECT_EQ(row(0)->toolTip(SearchResultList::kText), hostile);
    const QString shown = column(0, SearchResultList::kText);
    EXPECT_TRUE(hostile.endsWith(shown.startsWith(QStringLiteral("…")) ? shown.mid(1) : shown)) << shown.toStdString();
    expectMarked(query);
  }

  for (const char* query : {"火锅\" OR \"你好", "不 OR 你好", "NOT 火锅", "text:火锅", "<i>火锅</i>"}) {
    search(query);
    EXPECT_EQ(dialog.results()->rowCount(), 0) << query;
    EXPECT_EQ(dialog.searchStatus()->text(), QStringLiteral("没有找到")) << query;
  }
}

TEST_F(HistorySearchWindowTest, AnIndexThatCannotBeMadeFindsNothingWithoutAnAlarm) {
  // Another account whose index file cannot be made: a folder that is not
  // empty holds its place.
  LocalStores otherStore;
  otherStore.history.OpenMessageDatabase(10077);
  otherStore.history.AppendUserMessage(kFriend, gbk::fromUtf8("火锅"), at(1));
  const std::string blocker = otherStore.history.accountDirectory() + "/MsgSearch.db";
  std::filesystem::create_directory(blocker);
  std::filesystem::create_directory(blocker + "/kept");
  ClientSession otherSession{net, model, otherStore, {}};
  CDlgHistory other{otherSession};
  other.show();
  QLineEdit* box = other.searchBox();
  box->setFocus();
  QInputMethodEvent typed;
  typed.setCommitString(QStringLiteral("火锅"));
  QApplication::sendEvent(box, &typed);
  QTest::keyClick(box, Qt::Key_Return);
  ASSERT_TRUE(waitFor(
      [&] { return other.search().state() == HistorySearch::State::kUnavailable && !other.search().searching(); },
      kWait));
  EXPECT_EQ(other.results()->rowCount(), 0);
  EXPECT_EQ(other.searchStatus()->text(), QStringLiteral("没有找到"));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  // With the way clear, showing the window again tries once more.
  std::filesystem::remove_all(blocker);
  other.Rebuild();
  QTest::mouseClick(other.control<CBitButtonNL>(CDlgHistory::kFindId), Qt::LeftButton);
  ASSERT_TRUE(waitFor(
      [&] { return other.search().state() == HistorySearch::State::kReady && !other.search().searching(); }, kWait));
  EXPECT_EQ(other.results()->rowCount(), 1);
}

}  // namespace
}  // namespace kiv::test
