// The lists and the tree against the model alone: they follow it row by row,
// touch nothing when nothing changed, and draw what the user sees.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTest>

#include "mainwindow/CKivListCtrl.h"
#include "mainwindow/CKivTreeCtrl.h"
#include "mainwindow/ContactCommands.h"
#include "mainwindow/RowPainter.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "net/GroupMembersMessages.h"
#include "net/NetClient.h"
#include "storage/LocalStores.h"

namespace kiv::test {
namespace {

class NoCommands : public ContactCommands {
 public:
  void showConversation(ChatCategory, std::int32_t, const std::string&, const std::string&, std::int32_t) override {}
  void showSearch(SearchMode) override {}
};

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

FriendListResponse friendList(int count, std::uint8_t terminal = 0) {
  FriendListResponse response;
  for (int i = 1; i <= count; ++i)
    response.friends.push_back(FriendRecord{static_cast<std::uint32_t>(10000 + i), "f" + std::to_string(i), terminal});
  return response;
}

GroupMembersResponse memberList(int count, std::uint32_t owner) {
  GroupMembersResponse response;
  for (int i = 1; i <= count; ++i) {
    const auto id = static_cast<std::uint32_t>(50000 + i);
    response.members.push_back(MemberRecord{id, "m" + std::to_string(i), std::uint8_t(i % 4),
                                            std::uint8_t(id == owner ? 1 : 0), 0});
  }
  return response;
}

class ListsAndTree : public ::testing::Test {
 protected:
  // Lets every queued paint happen, then starts counting afresh.
  void settle(QWidget* window, PaintCounter& counter) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::qWait(20);
    counter.paints = 0;
  }

  NetClient net;
  ContactModel model;
  LocalStores store;
  ClientSession session{net, model, store, {}};
  NoCommands commands;
};

TEST_F(ListsAndTree, TwoHundredFriendsAreListedAndAnUnchangedListRepaintsNothing) {
  CKivListCtrl list(session, ContactListKind::kFriends, commands);
  list.resize(200, 400);
  list.show();
  model.replaceFriends(friendList(250));
  ASSERT_EQ(list.count(), 200);
  EXPECT_EQ(list.item(199)->text(), QStringLiteral("f200(10200)"));
  list.scrollToBottom();
  PaintCounter counter(list.viewport());
  settle(&list, counter);

  model.replaceFriends(friendList(250));
  QTest::qWait(20);
  EXPECT_EQ(counter.paints, 0) << "the same list again changes nothing on screen";

  // One friend comes online: only its row changes.
  auto changed = friendList(250);
  changed.friends[199].terminal = 3;
  model.replaceFriends(changed);
  QTest::qWait(20);
  EXPECT_GT(counter.paints, 0) << "a changed row is repainted";
  EXPECT_EQ(list.item(199)->data(Qt::UserRole + 1).toInt(), 3);
  EXPECT_EQ(list.item(198)->data(Qt::UserRole + 1).toInt(), 0);

  // A nickname that is the number itself is not repeated.
  ContactEntry plain;
  plain.userId = 12345;
  plain.nickname = "12345";
  model.addOrUpdateContact(ContactListKind::kFriends, plain);
  EXPECT_EQ(list.item(200)->text(), QStringLiteral("12345"));
  model.removeContact(ContactListKind::kFriends, 10003);
  EXPECT_EQ(list.count(), 200);
  EXPECT_EQ(list.item(2)->text(), QStringLiteral("f4(10004)"));
  EXPECT_EQ(list.item(1)->text(), QStringLiteral("f2(10002)"));
}

TEST_F(ListsAndTree, TheRowUnderTheMouseIsPinkAndTheOthersWhite) {
  CKivListCtrl list(session, ContactListKind::kFriends, commands);
  list.resize(200, 200);
  list.show();
  model.replaceFriends(friendList(3));
  const QRect second = list.visualItemRect(list.item(1));
  QTest::mouseMove(list.viewport(), second.center());
  EXPECT_EQ(list.hoverRow(), 1);
  const QImage picture = list.viewport()->grab().toImage();
  // Between the avatar and the text, where only the fill shows.
  const int x = RowPainter::kMargin + 20 + 1;
  EXPECT_EQ(QColor(picture.pixel(x, second.top() + 2)), RowPainter::kHoverColour);
  EXPECT_EQ(QColor(picture.pixel(x, list.visualItemRect(list.item(0)).top() + 2)), QColor(Qt::white));
  EXPECT_EQ(second.height(), RowPainter::kRowHeight);
}

TEST_F(ListsAndTree, TenGroupsOf390MembersAreBuiltQuicklyAndAnUnchangedRefreshRepaintsNothing) {
  CKivTreeCtrl tree(session, commands);
  tree.resize(200, 500);
  tree.show();
  GroupListResponse groups;
  for (std::uint32_t g = 1; g <= 10; ++g)
    groups.groups.push_back(GroupRecord{20000 + g, "group" + std::to_string(g), std::uint8_t(g == 1 ? 1 : 0), 0});

  QElapsedTimer timer;
  timer.start();
  for (std::int32_t id : model.replaceGroups(groups)) model.replaceMembers(id, memberList(390, 50200));
  const qint64 built = timer.elapsed();
  ASSERT_EQ(tree.topLevelItemCount(), 10);
  QTreeWidgetItem* first = tree.groupItem(20001);
  ASSERT_EQ(first->childCount(), 390);
  // The owner is put first and marked; so is the user's own group.
  EXPECT_EQ(first->child(0)->data(0, CKivTreeCtrl::kIdRole).toInt(), 50200);
  EXPECT_GT(first->child(0)->data(0, CKivTreeCtrl::kOwnerRole).toInt(), 0);
  EXPECT_GT(first->data(0, CKivTreeCtrl::kOwnerRole).toInt(), 0);
  EXPECT_EQ(first->child(1)->text(0), QStringLiteral("m1(50001)        "));
  // Sanitizer builds are several times slower than the figure in bench/.
  EXPECT_LT(built, 2000) << built << " ms";

  for (int i = 0; i < 10; ++i) tree.topLevelItem(i)->setExpanded(i == 0);
  PaintCounter counter(tree.viewport());
  settle(&tree, counter);
  for (std::int32_t id : model.replaceGroups(groups)) model.replaceMembers(id, memberList(390, 50200));
  QTest::qWait(20);
  EXPECT_EQ(counter.paints, 0);

  // A member who left goes; a group no longer listed goes with its members.
  model.replaceMembers(20001, memberList(389, 50200));
  EXPECT_EQ(first->childCount(), 389);
  groups.groups.pop_back();
  model.replaceGroups(groups);
  EXPECT_EQ(tree.topLevelItemCount(), 9);
  EXPECT_EQ(tree.groupItem(20010), nullptr);
}

}  // namespace
}  // namespace kiv::test
