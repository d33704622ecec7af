// The main window of a signed-in client, worked as a user works it.
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QLineEdit>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include "MainWindowFixture.h"
#include "history/CDlgHistory.h"
#include "profile/CDlgInfoGroup.h"
#include "profile/CDlgInfoUser.h"
#include "search/CDlgSearch.h"
#include "search/CDlgSearchRet.h"
#include "options/CDlgOption.h"
#include "model/ItemTexts.h"
#include "platform/Gbk.h"
#include "platform/qt/QtMessagePresenter.h"
#include "skin/CBitButtonNL.h"

namespace kiv::test {
namespace {

using MainWindow = MainWindowFixture;

TEST_F(MainWindow, ShowsTheOwnProfileTheTabsAndTheListsFromTheServer) {
  EXPECT_EQ(main->profileText(), QStringLiteral("昵称:张小明\nID号:10001\n积分:120"));
  EXPECT_EQ(main->signatureText(), QStringLiteral("简介:喜欢摄影和旅行"));
  EXPECT_EQ(main->ownAvatar().size(), QSize(40, 40));

  // Tab 1 at first; its buttons follow the tab; pressing the shown tab
  // changes nothing.
  auto* tree = main->tree();
  EXPECT_TRUE(tree->isVisible());
  EXPECT_TRUE(main->control(CKivDlg::kCreateGroupButton)->isVisible());
  EXPECT_FALSE(main->control(CKivDlg::kAddFriendButton)->isVisible());
  main->control<CBitButtonNL>(CKivDlg::kTabGroups)->click();
  EXPECT_EQ(main->shownTab(), CKivDlg::kGroupsTab);
  main->control<CBitButtonNL>(CKivDlg::kTabFriends)->click();
  EXPECT_TRUE(main->friendList()->isVisible());
  EXPECT_FALSE(tree->isVisible());
  EXPECT_TRUE(main->control(CKivDlg::kAddFriendButton)->isVisible());
  EXPECT_FALSE(main->control(CKivDlg::kSearchGroupButton)->isVisible());
  main->control<CBitButtonNL>(CKivDlg::kTabStrangers)->click();
  EXPECT_TRUE(main->strangerList()->isVisible());
  EXPECT_FALSE(main->control(CKivDlg::kAddFriendButton)->isVisible());
  EXPECT_FALSE(main->control(CKivDlg::kCreateGroupButton)->isVisible());

  // Rows in table order with their texts; the stranger list always has the
  // service account. Screen readers read the same texts.
  auto* friends = main->friendList();
  ASSERT_EQ(friends->count(), 3);
  EXPECT_EQ(friends->item(0)->text(), QStringLiteral("李小红(10002)"));
  EXPECT_EQ(main->strangerList()->item(main->strangerList()->count() - 1)->text(), QStringLiteral("木棉客服(1000)"));
  QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(friends);
  ASSERT_NE(reader, nullptr);
  bool readable = false;
  for (int i = 0; i < reader->childCount(); ++i)
    readable = readable || reader->child(i)->text(QAccessible::Name) == QStringLiteral("李小红(10002)");
  EXPECT_TRUE(readable);

  // Groups in list order, each owner first among the members, member items
  // with their eight trailing spaces.
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  QTreeWidgetItem* own = tree->groupItem(20001);
  QTreeWidgetItem* other = tree->groupItem(20002);
  EXPECT_EQ(own->text(0).trimmed(), QStringLiteral("木棉同学会"));
  EXPECT_GT(own->data(0, CKivTreeCtrl::kOwnerRole).toInt(), 0);
  EXPECT_EQ(other->data(0, CKivTreeCtrl::kOwnerRole).toInt(), 0);
  ASSERT_EQ(other->childCount(), 4);
  EXPECT_EQ(other->child(0)->data(0, CKivTreeCtrl::kIdRole).toInt(), 10002);
  EXPECT_GT(other->child(0)->data(0, CKivTreeCtrl::kOwnerRole).toInt(), 0);
  EXPECT_EQ(other->child(0)->text(0), QStringLiteral("李小红(10002)        "));

  // The options and history windows are created on first use, then shown.
  main->control<CBitButtonNL>(CKivDlg::kOptionsButton)->click();
  CDlgOption* options = main->optionsWindow();
  ASSERT_NE(options, nullptr);
  EXPECT_TRUE(options->isVisible());
  options->hide();
  main->runSystemCommand(CKivDlg::kMySettings);
  EXPECT_EQ(main->optionsWindow(), options);
  EXPECT_TRUE(options->isVisible());
  main->control<CBitButtonNL>(CKivDlg::kHistoryButton)->click();
  ASSERT_NE(main->historyWindow(), nullptr);
  EXPECT_TRUE(main->historyWindow()->isVisible());
  EXPECT_EQ(main->historyWindow()->friendsRoot()->childCount(), 3);

  // So are the search and the profile windows.
  main->runSystemCommand(CKivDlg::kMenuAddFriend);
  ASSERT_NE(main->searchWindow(), nullptr);
  EXPECT_TRUE(main->searchWindow()->isVisible());
  EXPECT_EQ(main->searchWindow()->tab(), CDlgSearch::kFriends);
  main->control<CBitButtonNL>(CKivDlg::kSearchGroupButton)->click();
  EXPECT_EQ(main->searchWindow()->tab(), CDlgSearch::kGroups);
  main->runSystemCommand(CKivDlg::kOwnProfile);
  ASSERT_NE(main->ownProfileWindow(), nullptr);
  EXPECT_TRUE(main->ownProfileWindow()->isVisible());
  friends->setCurrentRow(0);
  friends->runCommand(CKivListCtrl::kFriendProfile);
  ASSERT_NE(friends->profileWindow(), nullptr);
  EXPECT_TRUE(friends->profileWindow()->isVisible());
  tree->setCurrentItem(tree->groupItem(20001));
  tree->runCommand(CKivTreeCtrl::kGroupProfile);
  ASSERT_NE(tree->groupProfileWindow(), nullptr);
  EXPECT_TRUE(tree->groupProfileWindow()->isVisible());

  // Hover tips, and the layout rule after a resize.
  EXPECT_EQ(main->control(CKivDlg::kHistoryButton)->toolTip(), QStringLiteral("消息管理器"));
  EXPECT_EQ(main->control(CKivDlg::kOptionsButton)->toolTip(), QStringLiteral("系统设置"));
  EXPECT_EQ(main->control(CKivDlg::kTabFriends)->toolTip(), QStringLiteral("我的好友"));
  main->resize(260, 600);
  EXPECT_EQ(tree->size(), QSize(260 - 8, 600 - 173));
  EXPECT_EQ(friends->geometry(), tree->geometry());
  EXPECT_EQ(main->control(CKivDlg::kMenuButton)->geometry().bottom(), 600 - 1 - 3);
}

TEST_F(MainWindow, MinimisingNeverLosesTheWindow) {
  // Where there is no tray to come back from (as here), minimising keeps
  // the window on the taskbar instead of hiding it.
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  main->minimizeButton()->click();
  EXPECT_TRUE(main->isVisible());
  main->showNormal();
  // Hidden into a tray that reports a click and never a double click, the
  // click brings it back.
  main->hide();
  emit main->trayIcon()->activated(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(main->isVisible());
}

TEST_F(MainWindow, MenusFollowTheConnectionAndWhatIsUnderTheMouse) {
  const auto visible = [](QAction* action) { return action->isVisible(); };
  QMenu* menu = main->prepareSystemMenu();
  EXPECT_TRUE(visible(main->systemAction(CKivDlg::kGoOffline)));
  EXPECT_FALSE(visible(main->systemAction(CKivDlg::kGoOnline)));
  EXPECT_FALSE(visible(main->systemAction(CKivDlg::kHelp)));
  EXPECT_EQ(menu->actions().size(), 11);

  main->selectTab(CKivDlg::kFriendsTab);
  auto* friends = main->friendList();
  const QPoint empty(10, friends->viewport()->height() - 5);
  ASSERT_EQ(friends->prepareMenu(empty), friends->menu());
  EXPECT_TRUE(friends->action(CKivListCtrl::kAddFriend)->isEnabled());
  EXPECT_FALSE(friends->action(CKivListCtrl::kFriendChat)->isEnabled());
  const QPoint firstRow = friends->visualItemRect(friends->item(0)).center();
  ASSERT_EQ(friends->prepareMenu(firstRow), friends->menu());
  EXPECT_TRUE(friends->action(CKivListCtrl::kDeleteFriend)->isEnabled());
  EXPECT_FALSE(friends->action(CKivListCtrl::kAddFriend)->isEnabled());
  auto* strangers = main->strangerList();
  EXPECT_EQ(strangers->prepareMenu(empty), nullptr) << "the stranger menu needs a row";
  EXPECT_NE(strangers->prepareMenu(strangers->visualItemRect(strangers->item(0)).center()), nullptr);

  main->selectTab(CKivDlg::kGroupsTab);
  auto* tree = main->tree();
  const auto enabled = [&](CKivTreeCtrl::Command command) { return tree->action(command)->isEnabled(); };
  const auto at = [&](QTreeWidgetItem* item) { return tree->visualItemRect(item).center(); };
  ASSERT_NE(tree->prepareMenu(QPoint(10, tree->viewport()->height() - 5)), nullptr);
  EXPECT_TRUE(enabled(CKivTreeCtrl::kCreateGroup));
  EXPECT_FALSE(enabled(CKivTreeCtrl::kGroupChat));
  tree->prepareMenu(at(tree->groupItem(20001)));  // the user's own group
  EXPECT_TRUE(enabled(CKivTreeCtrl::kDismissGroup));
  EXPECT_FALSE(enabled(CKivTreeCtrl::kQuitGroup));
  EXPECT_TRUE(enabled(CKivTreeCtrl::kInviteMember));
  EXPECT_FALSE(enabled(CKivTreeCtrl::kCreateGroup));
  EXPECT_EQ(tree->action(CKivTreeCtrl::kShieldGroup)->text(), QStringLiteral("屏蔽群信息"));
  tree->prepareMenu(at(tree->groupItem(20002)));
  EXPECT_TRUE(enabled(CKivTreeCtrl::kQuitGroup));
  EXPECT_FALSE(enabled(CKivTreeCtrl::kDismissGroup));
  EXPECT_FALSE(enabled(CKivTreeCtrl::kInviteMember));
  tree->groupItem(20002)->setExpanded(true);
  tree->prepareMenu(at(tree->memberItem(20002, 10005)));
  EXPECT_TRUE(enabled(CKivTreeCtrl::kMemberChat));
  EXPECT_TRUE(enabled(CKivTreeCtrl::kRemoveMember));
  EXPECT_FALSE(enabled(CKivTreeCtrl::kInviteMember)) << "not the user's group";
  EXPECT_FALSE(enabled(CKivTreeCtrl::kGroupChat));

  // Offline: no context menus, "上线" instead of "离线", and the commands
  // that need the server say so.
  main->runSystemCommand(CKivDlg::kGoOffline);
  ASSERT_TRUE(stack->net.stopped());
  EXPECT_EQ(tree->prepareMenu(at(tree->groupItem(20001))), nullptr);
  EXPECT_EQ(friends->prepareMenu(firstRow), nullptr);
  main->prepareSystemMenu();
  EXPECT_TRUE(visible(main->systemAction(CKivDlg::kGoOnline)));
  EXPECT_FALSE(visible(main->systemAction(CKivDlg::kGoOffline)));
  main->control<CBitButtonNL>(CKivDlg::kSearchButton)->click();
  friends->setCurrentRow(0);
  friends->runCommand(CKivListCtrl::kFriendChat);
  main->runSystemCommand(CKivDlg::kOwnProfile);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>(3, "请先连接服务器"));
  EXPECT_EQ(privateWindow(10002), nullptr);

  main->runSystemCommand(CKivDlg::kGoOnline);
  EXPECT_FALSE(stack->net.stopped());
  EXPECT_TRUE(waitFor([&] { return stack->net.loggedIn(); }));
}

TEST_F(MainWindow, DoubleClicksOpenTitledConversationsAndReuseThem) {
  main->selectTab(CKivDlg::kFriendsTab);
  auto* friends = main->friendList();
  doubleClick(friends, friends->model()->index(0, 0));
  CSendMessage* chat = privateWindow(10002);
  ASSERT_NE(chat, nullptr);
  EXPECT_TRUE(chat->isVisible());
  EXPECT_EQ(chat->windowTitle(), QStringLiteral("与 李小红(10002) 聊天当中..."));
  EXPECT_EQ(limitLabel(chat), QStringLiteral("您还可以再输入[120]个字"));
  chat->hide();
  doubleClick(friends, friends->model()->index(0, 0));
  EXPECT_EQ(privateWindow(10002), chat) << "one window per person";
  EXPECT_TRUE(chat->isVisible());

  // A friend on a PC client may type 500 characters.
  ContactEntry pc;
  pc.userId = 10003;
  pc.nickname = stack->model.findFriend(10003)->nickname;
  pc.terminal = 3;
  stack->model.addOrUpdateContact(ContactListKind::kFriends, pc);
  doubleClick(friends, friends->model()->index(1, 0));
  ASSERT_NE(privateWindow(10003), nullptr);
  EXPECT_EQ(limitLabel(privateWindow(10003)), QStringLiteral("您还可以再输入[500]个字"));

  main->selectTab(CKivDlg::kStrangersTab);
  auto* strangers = main->strangerList();
  doubleClick(strangers, strangers->model()->index(strangers->count() - 1, 0));
  ASSERT_NE(privateWindow(1000), nullptr);
  EXPECT_EQ(privateWindow(1000)->windowTitle(), QStringLiteral("与陌生人 木棉客服(1000) 聊天当中..."));

  main->selectTab(CKivDlg::kGroupsTab);
  auto* tree = main->tree();
  doubleClick(tree, tree->indexFromItem(tree->groupItem(20001)));
  ASSERT_NE(groupWindow(20001), nullptr);
  EXPECT_EQ(groupWindow(20001)->windowTitle(), QStringLiteral("在群 木棉同学会 ( 群号:20001 ) 中聊天..."));
  tree->groupItem(20002)->setExpanded(true);
  doubleClick(tree, tree->indexFromItem(tree->memberItem(20002, 10005)));
  ASSERT_NE(privateWindow(10005), nullptr);
  EXPECT_EQ(privateWindow(10005)->windowTitle(), QStringLiteral("与群 周末羽毛球 中的 陈晨(10005) 私聊..."));
  doubleClick(tree, tree->indexFromItem(tree->memberItem(20002, 10001)));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"系统提示:你不能自己给自己发信息!"});
  EXPECT_EQ(privateWindow(10001), nullptr);
  EXPECT_EQ(main->openConversation(ChatCategory::kFriend, 0, "nobody", "", 0), nullptr);
}

TEST_F(MainWindow, ListCommandsAskFirstThenChangeTheListsAndTellTheServer) {
  auto* friends = main->friendList();
  friends->setCurrentRow(0);
  // The question quotes the row text and then the number again.
  boxes.script({MessageAnswer::Cancel, MessageAnswer::Ok});
  friends->runCommand(CKivListCtrl::kDeleteFriend);
  EXPECT_EQ(friends->count(), 3);
  friends->runCommand(CKivListCtrl::kDeleteFriend);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>(2, "您确认要删除好友 李小红(10002)(10002)吗?"));
  ASSERT_EQ(friends->count(), 2);
  EXPECT_EQ(friends->item(0)->text(), QStringLiteral("王大力(10003)"));

  // A stranger made a friend keeps the stranger row and gets a friend row.
  ContactEntry stranger;
  stranger.userId = 10006;
  stranger.nickname = gbk::fromUtf8("刘洋");
  auto* strangers = main->strangerList();
  stack->model.addOrUpdateContact(ContactListKind::kStrangers, stranger);
  strangers->setCurrentRow(strangers->count() - 1);
  strangers->runCommand(CKivListCtrl::kMakeFriend);
  EXPECT_NE(stack->model.findFriend(10006), nullptr);
  EXPECT_NE(stack->model.findStranger(10006), nullptr);
  strangers->runCommand(CKivListCtrl::kRemoveStranger);
  EXPECT_EQ(stack->model.findStranger(10006), nullptr);

  // The server hears both: its friends of 10001 have 10006, not 10002.
  ASSERT_TRUE(waitFor([&] {
    bool added = false;
    bool deleted = true;
    for (const auto& friendOf : server.store().friends().friends(10001)) {
      added = added || friendOf.id == 10006;
      deleted = deleted && friendOf.id != 10002;
    }
    return added && deleted;
  }));
  EXPECT_EQ(friends->findItems(QStringLiteral("(10006)"), Qt::MatchContains).size(), 1);
}

TEST_F(MainWindow, ExitClosesTheConversationsSavesTheStrangersAndLogsOutOnce) {
  main->showConversation(ChatCategory::kStranger, 1000, gbk::fromUtf8("木棉客服(1000)"), "", 0);
  QPointer<CSendMessage> chat = privateWindow(1000);
  ASSERT_TRUE(chat);
  ContactEntry stranger;
  stranger.userId = 4242;
  stranger.nickname = gbk::fromUtf8("路人");
  stack->model.addOrUpdateContact(ContactListKind::kStrangers, stranger);

  QTest::keyClick(main, Qt::Key_Escape);
  EXPECT_TRUE(main->hasEnded());
  EXPECT_FALSE(main->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(chat) << "every conversation window is destroyed";
  StrangerMap saved;
  stack->store.history.LoadStrangers(saved);
  EXPECT_EQ(saved.count(4242), 1u);
  EXPECT_EQ(saved.count(1000), 1u);
  stack->net.Shutdown();
  int logouts = 0;
  for (const std::string& line : server.log().lines())
    if (line.find(" logout ") != std::string::npos) ++logouts;
  EXPECT_EQ(logouts, 1);
}

TEST_F(MainWindow, QuittingWhileABoxFromTheConnectionWaitsForAnAnswerEndsAtOnce) {
  QtMessagePresenter presenter;
  installMessagePresenter(&presenter);
  // Signed in elsewhere: the connection shows its box from the receive
  // thread and waits; the user quits from the menu meanwhile.
  bool quitWithBoxUp = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible() || quitWithBoxUp) continue;
      quitWithBoxUp = box->text() == QStringLiteral("您的帐号因在其它地方登录被迫下线");
      if (quitWithBoxUp) main->runSystemCommand(CKivDlg::kExit);
    }
  });
  poll.start();
  ClientStack elsewhere(server, "13800000001", home.path() + "/elsewhere");
  ASSERT_TRUE(elsewhere.signIn(false));
  EXPECT_TRUE(waitFor([&] { return main->hasEnded(); }, std::chrono::seconds(10)));
  EXPECT_TRUE(quitWithBoxUp);
  EXPECT_TRUE(stack->net.waitForThreads(std::chrono::seconds(5))) << "nothing waits for an answer any more";
  installMessagePresenter(&boxes);
}

TEST_F(MainWindow, QuittingWhileTheSearchResultsRunEndsTheirModalRunToo) {
  // A session logout (SIGTERM) or "退出" from the tray while the results of
  // a search are up: their modal run, inside the program's own, must end.
  main->runSystemCommand(CKivDlg::kFind);
  CDlgSearch* form = main->searchWindow();
  ASSERT_NE(form, nullptr);
  QPointer<CDlgSearchRet> results;
  bool quitWhileUp = false;
  QObject::connect(form, &CDlgSearch::resultsOpened, [&](CDlgSearchRet* r) {
    results = r;
    QTimer::singleShot(0, r, [&] {
      quitWhileUp = results && results->isVisible();
      main->runSystemCommand(CKivDlg::kExit);
    });
  });
  // Left open, the run would never end; this closes it late and says so.
  bool stuck = false;
  QTimer::singleShot(5000, main, [&] {
    stuck = results && results->isVisible();
    if (stuck) results->reject();
  });
  QTest::keyClicks(form->control<QLineEdit>(CDlgSearch::kText), QStringLiteral("10002"));
  form->control<QAbstractButton>(CDlgSearch::kFind)->click();  // returns once the results' run ended
  EXPECT_TRUE(quitWhileUp);
  EXPECT_FALSE(stuck);
  EXPECT_TRUE(results.isNull()) << "the results window was closed and deleted";
  EXPECT_TRUE(main->hasEnded());
}

}  // namespace
}  // namespace kiv::test
