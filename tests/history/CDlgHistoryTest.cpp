// The message manager as a user works it: double-click in the tree, page
// with the buttons and with Enter and Escape, read the pane.
#include <gtest/gtest.h>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>
#include <vector>

#include "history/CDlgHistory.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/NetClient.h"
#include "platform/Gbk.h"
#include "skin/CBitButtonNL.h"
#include "storage/LocalStores.h"
#include "support/QtAccessibility.h"
#include "support/TempDir.h"

namespace kiv::test {
namespace {

constexpr std::int32_t kSelf = 10001;
constexpr std::int32_t kFriend = 10002;  // 45 private messages; also a member of the group
constexpr std::int32_t kQuietFriend = 10003;
constexpr std::int32_t kMember = 10004;  // only a member: 2 private messages
constexpr std::int32_t kStranger = 10005;
constexpr std::int32_t kGroup = 20001;  // 3 group messages

ContactEntry person(std::int32_t userId, const char* nickname, bool owner = false) {
  ContactEntry entry;
  entry.userId = userId;
  entry.nickname = gbk::fromUtf8(nickname);
  entry.terminal = 3;
  entry.owner = owner;
  return entry;
}

std::string rtime(int second) {
  char text[32];
  std::snprintf(text, sizeof text, "24-05-01 10:%02d:%02d", second / 60, second % 60);
  return text;
}

// A signed-in account with friends, a group with members and strangers, and
// a stored history with each of them.
class HistoryTest : public ::testing::Test {
 protected:
  HistoryTest() {
    store.history.OpenMessageDatabase(kSelf);
    SelfProfile self;
    self.userId = kSelf;
    self.nickname = gbk::fromUtf8("张小明");
    model.setSelf(self);
    model.addOrUpdateContact(ContactListKind::kFriends, person(kFriend, "李小红"));
    model.addOrUpdateContact(ContactListKind::kFriends, person(kQuietFriend, "王大伟"));
    model.addOrUpdateGroup(kGroup, gbk::fromUtf8("木棉同学会        "), true, false);
    model.addOrUpdateMember(kGroup, person(kSelf, "张小明", true));
    model.addOrUpdateMember(kGroup, person(kFriend, "李小红"));
    model.addOrUpdateMember(kGroup, person(kMember, "陈静"));
    model.addOrUpdateContact(ContactListKind::kStrangers, person(kStranger, "赵磊"));

    for (int n = 1; n <= 45; ++n)
      store.history.AppendUserMessage(kFriend, gbk::fromUtf8("李小红(私聊):消息 " + std::to_string(n)), rtime(n));
    for (int n = 1; n <= 3; ++n)
      store.history.AppendGroupMessage(kGroup, gbk::fromUtf8("陈静(群聊):消息 " + std::to_string(100 + n)), rtime(n));
    for (int n = 1; n <= 2; ++n)
      store.history.AppendUserMessage(kMember, gbk::fromUtf8("陈静(私聊):消息 " + std::to_string(200 + n)), rtime(n));
    store.history.AppendUserMessage(kStranger, gbk::fromUtf8("赵磊(私聊):消息 300"), rtime(1));
    // Rows of the group's number in the user table are a different
    // conversation and must never show as the group's.
    store.history.AppendUserMessage(kGroup, gbk::fromUtf8("消息 999"), rtime(50));

    dialog.Rebuild();  // as the opener does before it shows the window
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  }

  QTreeWidgetItem* item(QTreeWidgetItem* parent, const char* text) {
    for (int i = 0; i < parent->childCount(); ++i)
      if (parent->child(i)->text(0) == QString::fromUtf8(text)) return parent->child(i);
    ADD_FAILURE() << "no item " << text;
    return nullptr;
  }

  void doubleClick(QTreeWidgetItem* target) {
    ASSERT_NE(target, nullptr);
    QTreeWidget* tree = dialog.tree();
    tree->scrollToItem(target);
    // A double-click is a click followed by the double-click event; the
    // view only takes the second for the item that the first one pressed.
    const QPoint at = tree->visualItemRect(target).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
  }

  void click(int id) { QTest::mouseClick(dialog.control<CBitButtonNL>(id), Qt::LeftButton); }
  void key(Qt::Key which) { QTest::keyClick(dialog.tree(), which); }

  // The message numbers the pane shows, top to bottom.
  std::vector<int> shown() const {
    std::vector<int> numbers;
    static const QRegularExpression message(QStringLiteral(":消息 (\\d+)$"), QRegularExpression::MultilineOption);
    auto it = message.globalMatch(dialog.pane()->toPlainText());
    while (it.hasNext()) numbers.push_back(it.next().captured(1).toInt());
    return numbers;
  }

  static std::vector<int> countdown(int from, int to) {
    std::vector<int> numbers;
    for (int n = from; n >= to; --n) numbers.push_back(n);
    return numbers;
  }

  TempDir home;
  ScopedEnv programDirectory{"KIV_HOME", home.path().c_str()};
  NetClient net{NetClient::Options{nullptr, 0.02, home.file("Log"), nullptr}};
  ContactModel model;
  LocalStores store;
  ClientSession session{net, model, store, {}};
  CDlgHistory dialog{session};
};

TEST_F(HistoryTest, FortyFiveMessagesPageByTwentyThenStopAndPageBackTheSameWay) {
  doubleClick(item(dialog.friendsRoot(), "李小红"));
  EXPECT_EQ(shown(), countdown(45, 26));  // the newest twenty, newest first
  EXPECT_TRUE(dialog.pane()->toPlainText().contains(QStringLiteral("24-05-01 10:00:45\n李小红(私聊):消息 45")));
  EXPECT_TRUE(unnamedControls(&dialog).isEmpty()) << unnamedControls(&dialog).join(", ").toStdString();

  click(CDlgHistory::kNextId);
  EXPECT_EQ(shown(), countdown(25, 6));
  key(Qt::Key_Escape);  // Escape is "下一页"
  EXPECT_EQ(shown(), countdown(5, 1));
  click(CDlgHistory::kNextId);  // past the end: nothing changes
  EXPECT_EQ(shown(), countdown(5, 1));
  EXPECT_TRUE(dialog.isVisible());

  // One past the page shown, so the first step back shows it again.
  click(CDlgHistory::kPreviousId);
  EXPECT_EQ(shown(), countdown(5, 1));
  key(Qt::Key_Return);  // Enter is "上一页"
  EXPECT_EQ(shown(), countdown(25, 6));
  click(CDlgHistory::kPreviousId);
  EXPECT_EQ(shown(), countdown(45, 26));
}

TEST_F(HistoryTest, PreviousRightAfterChoosingKeepsTheNewestPageAndNeverGoesBelowIt) {
  doubleClick(item(dialog.friendsRoot(), "李小红"));
  click(CDlgHistory::kPreviousId);
  EXPECT_EQ(shown(), countdown(45, 26));
  click(CDlgHistory::kPreviousId);
  click(CDlgHistory::kPreviousId);
  EXPECT_EQ(shown(), countdown(45, 26));
  // Held at the first page, the counter reads it once more before moving on.
  click(CDlgHistory::kNextId);
  EXPECT_EQ(shown(), countdown(45, 26));
  click(CDlgHistory::kNextId);
  EXPECT_EQ(shown(), countdown(25, 6));
}

TEST_F(HistoryTest, GroupsShowTheGroupTableAndEveryPersonTheirPrivateConversation) {
  doubleClick(dialog.groupsRoot());  // a root item is nobody
  EXPECT_TRUE(dialog.pane()->toPlainText().isEmpty());
  click(CDlgHistory::kNextId);
  EXPECT_TRUE(dialog.pane()->toPlainText().isEmpty());

  QTreeWidgetItem* group = item(dialog.groupsRoot(), "木棉同学会");
  doubleClick(item(group, "陈静"));
  EXPECT_EQ(shown(), (std::vector<int>{202, 201}));
  doubleClick(group);
  EXPECT_EQ(shown(), (std::vector<int>{103, 102, 101}));
  doubleClick(item(group, "李小红"));  // a member who is also a friend
  EXPECT_EQ(shown(), countdown(45, 26));
  doubleClick(item(dialog.strangersRoot(), "赵磊"));
  EXPECT_EQ(shown(), std::vector<int>{300});
  doubleClick(item(dialog.friendsRoot(), "王大伟"));  // nothing stored: an empty pane
  EXPECT_TRUE(dialog.pane()->toPlainText().isEmpty());
}

TEST_F(HistoryTest, TreeFollowsTheModelAndARebuildForgetsTheChoice) {
  QTreeWidget* tree = dialog.tree();
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("我的好友"));
  EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("我的群"));
  EXPECT_EQ(tree->topLevelItem(2)->text(0), QStringLiteral("陌生人"));
  QTreeWidgetItem* group = item(dialog.groupsRoot(), "木棉同学会");
  ASSERT_EQ(group->childCount(), 3);
  EXPECT_EQ(group->child(0)->text(0), QStringLiteral("张小明"));  // the owner first
  EXPECT_EQ(tree->visualItemRect(group).height(), CDlgHistory::kItemHeight);
  EXPECT_FALSE(group->icon(0).isNull());

  doubleClick(item(dialog.friendsRoot(), "李小红"));
  click(CDlgHistory::kNextId);
  ASSERT_EQ(shown(), countdown(25, 6));

  model.removeContact(ContactListKind::kFriends, kFriend);
  model.addOrUpdateContact(ContactListKind::kFriends, person(10006, "刘洋"));
  dialog.Rebuild();
  EXPECT_TRUE(dialog.pane()->toPlainText().isEmpty());
  // The pages belong to nobody now.
  click(CDlgHistory::kNextId);
  click(CDlgHistory::kPreviousId);
  key(Qt::Key_Escape);
  EXPECT_TRUE(dialog.pane()->toPlainText().isEmpty());
  ASSERT_EQ(dialog.friendsRoot()->childCount(), 2);
  EXPECT_EQ(dialog.friendsRoot()->child(1)->text(0), QStringLiteral("刘洋"));

  // The friend is still a member: its history is one double-click away.
  doubleClick(item(item(dialog.groupsRoot(), "木棉同学会"), "李小红"));
  EXPECT_EQ(shown(), countdown(45, 26));
}

}  // namespace
}  // namespace kiv::test
