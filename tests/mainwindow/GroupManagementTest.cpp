// Managing groups from the tree's menu and the "创建群" button against the
// server: creating up to the limit, dismissing, leaving, removing a member,
// shielding; every question's Cancel leaves everything as it was.
#include <QPointer>

#include "MainWindowFixture.h"
#include "search/CDlgSearch.h"
#include "net/CreateGroupMessages.h"
#include "net/DismissGroupMessages.h"
#include "platform/Gbk.h"
#include "skin/CBitButtonNL.h"

namespace kiv::test {
namespace {

class GroupManagement : public MainWindowFixture {
 protected:
  CKivTreeCtrl* tree() { return main->tree(); }

  // Selects the item as a right click does and runs the command.
  void run(QTreeWidgetItem* item, CKivTreeCtrl::Command command) {
    ASSERT_NE(item, nullptr);
    if (item->parent() != nullptr) item->parent()->setExpanded(true);
    ASSERT_NE(tree()->prepareMenu(tree()->visualItemRect(item).center()), nullptr);
    tree()->runCommand(command);
  }

  bool membership(std::uint32_t groupId, bool* shielded = nullptr) {
    for (const auto& m : server.store().members().memberships(10001))
      if (m.groupId == groupId) {
        if (shielded != nullptr) *shielded = m.shielded;
        return true;
      }
    return false;
  }
};

TEST_F(GroupManagement, CreatesUpToTwoOwnGroupsThenRefusesByItselfAndSaysWhyTheServerRefused) {
  auto* create = main->control<CBitButtonNL>(CKivDlg::kCreateGroupButton);
  create->click();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"创建新群已经提交,等待服务器批复!"});
  ASSERT_TRUE(waitFor([&] { return stack->model.groups().size() == 3; }));
  const GroupEntry& created = stack->model.groups().back();
  EXPECT_TRUE(server.store().groups().group(static_cast<std::uint32_t>(created.groupId))->owner == 10001);
  QTreeWidgetItem* item = tree()->groupItem(created.groupId);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(0), QStringLiteral("新建群"));
  EXPECT_GT(item->data(0, CKivTreeCtrl::kOwnerRole).toInt(), 0);
  EXPECT_EQ(stack->model.ownedGroupCount(), 2);

  // Two own groups: the button and the menu entry refuse without asking.
  create->click();
  ASSERT_NE(tree()->prepareMenu(QPoint(10, tree()->viewport()->height() - 5)), nullptr);
  ASSERT_TRUE(tree()->action(CKivTreeCtrl::kCreateGroup)->isEnabled());
  tree()->runCommand(CKivTreeCtrl::kCreateGroup);
  // A request sent would have been refused by the server with a box of its
  // own before a later round of messages comes.
  ASSERT_TRUE(client->showsAnotherRound({{false, 10003, 10003}}));
  const std::vector<std::string> refused = {"创建新群已经提交,等待服务器批复!", "您已经创建了两个群,不能再创建了！",
                                            "您已经创建了两个群,不能再创建了！"};
  EXPECT_EQ(boxes.texts(), refused);

  // What the server may answer besides.
  GroupManager& manager = tree()->groupManager();
  manager.onCreated(CreateGroupResponse{CreateGroupResponse::kAlreadyCreatedTwo, 0});
  manager.onCreated(CreateGroupResponse{CreateGroupResponse::kInFiveGroups, 0});
  manager.onCreated(CreateGroupResponse{7, 0});
  manager.onDismissed(20001, DismissGroupResponse{0});
  manager.onDismissed(20001, DismissGroupResponse{3});
  const std::vector<std::string> all = boxes.texts();
  ASSERT_GE(all.size(), 3u);
  const std::vector<std::string> answered(all.begin() + 3, all.end());
  EXPECT_EQ(answered, (std::vector<std::string>{"已经创建两个群,不能继续创建", "总共参与5个群了,不能再建了",
                                                "创建新群失败,请稍后再试!7", "群20001解散失败,请稍后再试!"}));
  EXPECT_EQ(stack->model.groups().size(), 3u);
}

TEST_F(GroupManagement, DismissingAsksFirstAndClosesTheGroupsWindowsBeforeTheServerAnswers) {
  run(tree()->groupItem(20001), CKivTreeCtrl::kGroupChat);
  run(tree()->memberItem(20001, 10004), CKivTreeCtrl::kMemberChat);
  main->showConversation(ChatCategory::kFriend, 10002, gbk::fromUtf8("李小红(10002)"), "", 3);
  run(tree()->memberItem(20002, 10005), CKivTreeCtrl::kMemberChat);
  QPointer<CSendMessage> group = groupWindow(20001);
  QPointer<CSendMessage> member = privateWindow(10004);
  QPointer<CSendMessage> friendInGroup = privateWindow(10002);
  QPointer<CSendMessage> elsewhere = privateWindow(10005);
  ASSERT_TRUE(group && member && friendInGroup && elsewhere);

  const std::string question = "解散群后所有成员将全部退出并且不能再恢复!\r\n您确认要解散群 木棉同学会(20001)吗?";
  boxes.script({MessageAnswer::Cancel, MessageAnswer::Ok});
  run(tree()->groupItem(20001), CKivTreeCtrl::kDismissGroup);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{question});
  EXPECT_NE(tree()->groupItem(20001), nullptr);
  EXPECT_TRUE(group->isVisible());
  ASSERT_TRUE(client->showsAnotherRound({{false, 10003, 10003}}));
  EXPECT_FALSE(server.store().groups().group(20001)->dismissed) << "nothing was sent";

  run(tree()->groupItem(20001), CKivTreeCtrl::kDismissGroup);
  // At once, while the request has not even gone out.
  EXPECT_FALSE(server.store().groups().group(20001)->dismissed);
  EXPECT_EQ(tree()->groupItem(20001), nullptr);
  EXPECT_EQ(stack->model.ownedGroupCount(), 0);
  EXPECT_FALSE(group->isVisible());
  EXPECT_FALSE(member->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(group);
  EXPECT_FALSE(member);
  EXPECT_FALSE(friendInGroup) << "a friend's window goes with the group she is a member of";
  EXPECT_TRUE(elsewhere) << "another group's member keeps his";

  ASSERT_TRUE(waitFor([&] { return server.store().groups().group(20001)->dismissed; }));
  ASSERT_TRUE(client->showsAnotherRound({{false, 10003, 10003}}));  // the answer came before it
  EXPECT_EQ(boxes.texts(), (std::vector<std::string>{question, question})) << "a dismissal that worked says nothing";
}

TEST_F(GroupManagement, LeavingAGroupAndRemovingAMemberAskFirstAndChangeTheTreeAtOnce) {
  run(tree()->memberItem(20001, 10004), CKivTreeCtrl::kMemberChat);
  QPointer<CSendMessage> removed = privateWindow(10004);
  ASSERT_TRUE(removed);

  boxes.script({MessageAnswer::Cancel, MessageAnswer::Ok, MessageAnswer::Cancel, MessageAnswer::Ok});
  run(tree()->groupItem(20002), CKivTreeCtrl::kQuitGroup);
  EXPECT_NE(tree()->groupItem(20002), nullptr);
  run(tree()->groupItem(20002), CKivTreeCtrl::kQuitGroup);
  EXPECT_EQ(tree()->groupItem(20002), nullptr);
  run(tree()->memberItem(20001, 10004), CKivTreeCtrl::kRemoveMember);
  EXPECT_NE(tree()->memberItem(20001, 10004), nullptr);
  EXPECT_TRUE(removed);
  run(tree()->memberItem(20001, 10004), CKivTreeCtrl::kRemoveMember);
  EXPECT_EQ(tree()->memberItem(20001, 10004), nullptr);
  EXPECT_EQ(stack->model.findGroup(20001)->findMember(10004), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(removed) << "the private window with the member went with him";

  const std::string leave = "您确认要退出群 周末羽毛球(20002)吗?";
  const std::string remove = "您确认要从群 木棉同学会(20001)中删除好友赵静(10004)(10004)吗?";
  EXPECT_EQ(boxes.texts(), (std::vector<std::string>{leave, leave, remove, remove}));
  ASSERT_TRUE(waitFor([&] { return !membership(20002) && !server.store().members().isMember(20001, 10004); }));
  EXPECT_TRUE(server.store().members().isMember(20001, 10003));
}

class Shielding : public GroupManagement {
 protected:
  void SetUp() override {
    server.store().groups().updateGroup(20001, "Fans(2010)", gbk::fromUtf8("同事同学"), "", 1);
    GroupManagement::SetUp();
  }
};

TEST_F(Shielding, AGroupNamedWithBracketsKeepsItsNameAndTheMenuOffersTheOppositeState) {
  QAction* shield = tree()->action(CKivTreeCtrl::kShieldGroup);
  ASSERT_NE(tree()->prepareMenu(tree()->visualItemRect(tree()->groupItem(20001)).center()), nullptr);
  EXPECT_EQ(shield->text(), QStringLiteral("屏蔽群信息"));
  tree()->runCommand(CKivTreeCtrl::kShieldGroup);
  EXPECT_EQ(tree()->groupItem(20001)->text(0), QStringLiteral("Fans(2010)(屏蔽中)") + QString(10, ' '));
  EXPECT_EQ(shield->text(), QStringLiteral("接收群信息"));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"改变群屏蔽状态已经提交!"});
  bool shielded = false;
  ASSERT_TRUE(waitFor([&] { return membership(20001, &shielded) && shielded; }));

  // On a member of the user's own group: the member's entries and inviting;
  // the shield entry is off and keeps its text.
  tree()->groupItem(20001)->setExpanded(true);
  ASSERT_NE(tree()->prepareMenu(tree()->visualItemRect(tree()->memberItem(20001, 10003)).center()), nullptr);
  EXPECT_FALSE(shield->isEnabled());
  EXPECT_EQ(shield->text(), QStringLiteral("接收群信息"));
  EXPECT_TRUE(tree()->action(CKivTreeCtrl::kInviteMember)->isEnabled());
  EXPECT_TRUE(tree()->action(CKivTreeCtrl::kRemoveMember)->isEnabled());
  EXPECT_FALSE(tree()->action(CKivTreeCtrl::kQuitGroup)->isEnabled());
  tree()->runCommand(CKivTreeCtrl::kInviteMember);
  ASSERT_NE(main->searchWindow(), nullptr);
  EXPECT_TRUE(main->searchWindow()->isVisible());
  EXPECT_EQ(main->searchWindow()->tab(), CDlgSearch::kFriends);

  run(tree()->groupItem(20001), CKivTreeCtrl::kShieldGroup);
  EXPECT_EQ(tree()->groupItem(20001)->text(0), QStringLiteral("Fans(2010)") + QString(10, ' '));
  EXPECT_EQ(shield->text(), QStringLiteral("屏蔽群信息"));
  ASSERT_TRUE(waitFor([&] { return membership(20001, &shielded) && !shielded; }));
}

}  // namespace
}  // namespace kiv::test
