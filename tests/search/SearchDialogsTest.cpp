// The search form and its results against the in-process server: paging by
// nickname, the modal run, adding a friend, inviting into an own group and
// asking to join a group, down to what the other users receive.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include "chat/ChatWindowDriver.h"
#include "search/CDlgSearch.h"
#include "search/CDlgSearchRet.h"
#include "net/SearchMessages.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"

namespace kiv::test {
namespace {

class SearchResults : public DemoAccount {};
class SearchForm : public DemoAccount {};

using R = CDlgSearchRet;

QTreeWidget* listOf(R& results) {
  return results.control<QTreeWidget>(R::kList);
}

bool answered(R& results) {
  return waitFor([&] { return !results.busy(); });
}

// The messages shown since `from`.
std::vector<std::string> shownSince(const MessageRecorder& boxes, std::size_t from) {
  const auto all = boxes.texts();
  return {all.begin() + static_cast<long>(std::min(from, all.size())), all.end()};
}

TEST_F(SearchResults, NicknameSearchPagesThroughThreePagesAndANumberSearchNeverPages) {
  for (int i = 1; i <= 23; ++i) {
    const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
    ASSERT_NE(server.admin().addUser("139000000" + n, "123456", "测试员" + n), 0u);
  }
  // 测试员05 (10011) is signed in, so it is found on a desktop client.
  ClientStack tester(server, "13900000005", home.path());
  ASSERT_TRUE(tester.signIn(false));
  ASSERT_TRUE(zhang.signIn());

  R results(zhang.session, SearchRequest::kUserByNickname, QStringLiteral("测试员"));
  results.show();
  QTreeWidget* list = listOf(results);
  EXPECT_TRUE(results.busy());
  EXPECT_TRUE(visible(results, R::kBusyBar));
  ASSERT_TRUE(answered(results));
  EXPECT_FALSE(visible(results, R::kBusyBar));
  ASSERT_EQ(list->columnCount(), 3);
  EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("在线状态"));
  EXPECT_EQ(column(list, 0).first(), QStringLiteral("10007"));
  EXPECT_EQ(column(list, 0).size(), 10);
  EXPECT_EQ(column(list, 1).at(4), QStringLiteral("测试员05"));
  EXPECT_EQ(column(list, 2).at(4), QStringLiteral("电脑客户端"));
  EXPECT_EQ(column(list, 2).at(3), QStringLiteral("短信"));
  EXPECT_TRUE(visible(results, R::kNextPage));
  EXPECT_FALSE(visible(results, R::kPreviousPage));
  EXPECT_TRUE(visible(results, R::kAddFriend));
  EXPECT_TRUE(visible(results, R::kInvite));
  EXPECT_FALSE(visible(results, R::kJoinGroup));
  EXPECT_TRUE(unnamedControls(&results).isEmpty()) << unnamedControls(&results).join(", ").toStdString();

  click(results, R::kNextPage);
  // While the page is asked for: an empty list, no paging, the busy bar.
  EXPECT_EQ(list->topLevelItemCount(), 0);
  EXPECT_FALSE(visible(results, R::kNextPage));
  EXPECT_FALSE(visible(results, R::kPreviousPage));
  EXPECT_TRUE(visible(results, R::kBusyBar));
  ASSERT_TRUE(answered(results));
  EXPECT_EQ(results.page(), 1);
  EXPECT_EQ(column(list, 0).first(), QStringLiteral("10017"));
  EXPECT_EQ(list->topLevelItemCount(), 10);
  EXPECT_TRUE(visible(results, R::kNextPage));
  EXPECT_TRUE(visible(results, R::kPreviousPage));

  click(results, R::kNextPage);
  ASSERT_TRUE(answered(results));
  EXPECT_EQ(results.page(), 2);
  EXPECT_EQ(column(list, 1), (QStringList{QStringLiteral("测试员21"), QStringLiteral("测试员22"),
                                          QStringLiteral("测试员23")}));
  EXPECT_FALSE(visible(results, R::kNextPage));
  EXPECT_TRUE(visible(results, R::kPreviousPage));

  click(results, R::kPreviousPage);
  ASSERT_TRUE(answered(results));
  EXPECT_EQ(results.page(), 1);
  EXPECT_EQ(list->topLevelItemCount(), 10);

  R byNumber(zhang.session, SearchRequest::kUserById, QStringLiteral("10011"));
  byNumber.show();
  ASSERT_TRUE(answered(byNumber));
  EXPECT_EQ(column(listOf(byNumber), 1), QStringList{QStringLiteral("测试员05")});
  EXPECT_FALSE(visible(byNumber, R::kNextPage));
  EXPECT_FALSE(visible(byNumber, R::kPreviousPage));
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(SearchForm, TabsOptionsAndTheModalRunThatDropsALateAnswer) {
  ASSERT_TRUE(zhang.signIn());

  CDlgSearch form(zhang.session);
  form.showSearch();
  auto* text = form.control<QLineEdit>(CDlgSearch::kText);
  auto* numberOption = form.control<QRadioButton>(CDlgSearch::kNumberOption);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(form.tab(), CDlgSearch::kFriends);
  EXPECT_EQ(numberOption->text(), QStringLiteral("ID号"));
  EXPECT_TRUE(numberOption->isChecked());
  EXPECT_TRUE(unnamedControls(&form).isEmpty()) << unnamedControls(&form).join(", ").toStdString();

  QTest::keyClicks(text, QStringLiteral("abc"));
  click(form, CDlgSearch::kGroupTab);
  EXPECT_EQ(form.tab(), CDlgSearch::kGroups);
  EXPECT_EQ(numberOption->text(), QStringLiteral("群号"));
  EXPECT_EQ(numberOption->accessibleName(), QStringLiteral("群号"));
  EXPECT_TRUE(text->text().isEmpty());
  QTest::keyClicks(text, QStringLiteral("abc"));
  click(form, CDlgSearch::kReset);
  EXPECT_TRUE(text->text().isEmpty());

  // A number search needs something besides blanks; nothing opens.
  // What to do inside the next modal run, once it has started.
  std::vector<CDlgSearchRet*> opened;
  std::function<void(R&)> inside;
  QObject::connect(&form, &CDlgSearch::resultsOpened, [&](CDlgSearchRet* r) {
    opened.push_back(r);
    QTimer::singleShot(0, r, [r, &inside] { inside(*r); });
  });
  QTest::keyClicks(text, QStringLiteral("   "));
  click(form, CDlgSearch::kFind);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"请输入正确的查找内容!"});
  EXPECT_TRUE(opened.empty());

  // An empty name search on the group tab lists every group, and offers
  // only "加入群".
  click(form, CDlgSearch::kNameOption);
  text->clear();
  QStringList groupRows;
  int groupColumns = 0;
  bool onlyJoin = false;
  inside = [&](R& r) {
    EXPECT_TRUE(r.isModal());
    if (answered(r)) {
      groupRows = column(listOf(r), 1);
      groupColumns = listOf(r)->columnCount();
      onlyJoin = visible(r, R::kJoinGroup) && !visible(r, R::kAddFriend) && !visible(r, R::kInvite) &&
                 !visible(r, R::kOwnGroups);
    }
    r.reject();
  };
  click(form, CDlgSearch::kFind);  // runs until the dialog is closed
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(groupRows, (QStringList{QStringLiteral("木棉同学会"), QStringLiteral("周末羽毛球")}));
  EXPECT_EQ(groupColumns, 2);
  EXPECT_TRUE(onlyJoin);

  // Closed with an add-friend request open: the run ends at once, the
  // dialog is gone, and the answer arriving later is dropped unseen.
  click(form, CDlgSearch::kFriendTab);
  click(form, CDlgSearch::kNumberOption);
  QTest::keyClicks(text, QStringLiteral(" 10005  "));
  QPointer<R> closedEarly;
  inside = [&](R& r) {
    closedEarly = &r;
    EXPECT_EQ(r.kind(), SearchRequest::kUserById);
    if (answered(r) && listOf(r)->topLevelItemCount() == 1) {
      selectRow(listOf(r), 0);
      click(r, R::kAddFriend);
      EXPECT_TRUE(r.busy());
    }
    r.reject();
  };
  const std::size_t before = boxes.texts().size();
  click(form, CDlgSearch::kFind);
  EXPECT_TRUE(closedEarly.isNull());
  ASSERT_TRUE(waitFor([&] { return zhang.net.pendingRequests() == 0; }));
  ASSERT_TRUE(zhang.answersHandled());
  EXPECT_TRUE(shownSince(boxes, before).empty());

  // The connection stopping while the modal run waits for an answer blocks
  // nobody: Shutdown returns at once and the dialog still closes.
  qint64 shutdownMs = -1;
  inside = [&](R& r) {
    QElapsedTimer timer;
    timer.start();
    zhang.net.Shutdown();
    shutdownMs = timer.elapsed();
    r.reject();
  };
  click(form, CDlgSearch::kFind);
  EXPECT_GE(shutdownMs, 0);
  EXPECT_LT(shutdownMs, 3000);
  EXPECT_EQ(opened.size(), 3u);
}

TEST_F(SearchResults, AddFriendInviteAndJoinReachTheModelAndTheOtherUsers) {
  ASSERT_TRUE(zhang.signIn());

  {
    R results(zhang.session, SearchRequest::kUserById, QStringLiteral("10005"));
    results.show();
    ASSERT_TRUE(answered(results));
    click(results, R::kAddFriend);
    EXPECT_FALSE(results.busy());
    selectRow(listOf(results), 0);
    click(results, R::kAddFriend);
    ASSERT_TRUE(answered(results));
    click(results, R::kAddFriend);
    ASSERT_TRUE(answered(results));
  }
  EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"请选择您要操作的对象！", "好友陈晨添加成功",
                                                      "好友陈晨已经添加到列表中"}));
  const ContactEntry* chen = zhang.model.findFriend(10005);
  ASSERT_NE(chen, nullptr);
  EXPECT_EQ(gbk::toUtf8(chen->nickname), "陈晨");
  EXPECT_EQ(chen->terminal, 0);  // found as "短信"

  // Invite 刘洋 into 木棉同学会, the one group 张小明 created.
  std::size_t seen = boxes.texts().size();
  {
    R results(zhang.session, SearchRequest::kUserById, QStringLiteral("10006"));
    results.show();
    auto* groups = results.control<QComboBox>(R::kOwnGroups);
    ASSERT_EQ(groups->count(), 1);
    EXPECT_EQ(groups->currentText(), QStringLiteral("木棉同学会"));
    ASSERT_TRUE(answered(results));
    selectRow(listOf(results), 0);
    click(results, R::kInvite);
    ASSERT_TRUE(answered(results));
  }
  EXPECT_EQ(shownSince(boxes, seen), std::vector<std::string>{"邀请成功,等待用户回复同意加入"});
  ClientStack liu(server, DemoServer::demoPhone(10006), home.path());
  ASSERT_TRUE(liu.signIn(false));
  const auto invitation = MessageFetch::of(liu, ConversationKind::kPrivate, 10001);
  ASSERT_EQ(invitation.size(), 1u);
  EXPECT_EQ(invitation[0].text.substr(0, 2), "\x07\x02");
  EXPECT_NE(invitation[0].text.find("[20001]"), std::string::npos);

  // 陈晨 created no group: nothing to invite into. Then he asks to join
  // 木棉同学会 (the owner is told) and 周末羽毛球 (he is in it already).
  ClientStack chenClient(server, DemoServer::demoPhone(10005), home.path());
  ASSERT_TRUE(chenClient.signIn());
  seen = boxes.texts().size();
  {
    R results(chenClient.session, SearchRequest::kUserById, QStringLiteral("10003"));
    results.show();
    ASSERT_TRUE(answered(results));
    EXPECT_EQ(results.control<QComboBox>(R::kOwnGroups)->count(), 0);
    selectRow(listOf(results), 0);
    click(results, R::kInvite);
  }
  for (const char* group : {"20001", "20002"}) {
    R results(chenClient.session, SearchRequest::kGroupById, QString::fromLatin1(group));
    results.show();
    ASSERT_TRUE(answered(results));
    EXPECT_TRUE(visible(results, R::kJoinGroup));
    EXPECT_FALSE(visible(results, R::kAddFriend));
    selectRow(listOf(results), 0);
    click(results, R::kJoinGroup);
    ASSERT_TRUE(answered(results));
  }
  EXPECT_EQ(shownSince(boxes, seen),
            (std::vector<std::string>{"请选择您要邀请加入的群！", "加入群20001的申请已经成功发出,等待群主回复",
                                      "已经加入群20002,不用重复申请"}));
  const auto groupMessages = MessageFetch::of(zhang, ConversationKind::kGroup, 20001);
  bool asked = false;
  for (const auto& record : groupMessages)
    asked = asked || (record.text.rfind("\x07\x01", 0) == 0 && record.text.find("[10005]") != std::string::npos);
  EXPECT_TRUE(asked);
}

}  // namespace
}  // namespace kiv::test
