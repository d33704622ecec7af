// The search form on both tabs, the results for users and groups (paging
// buttons, the busy bar) and the profile windows, filled from the in-process
// server.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTreeWidget>

#include "chat/ChatWindowDriver.h"
#include "profile/CDlgInfoGroup.h"
#include "profile/CDlgInfoUser.h"
#include "search/CDlgSearch.h"
#include "search/CDlgSearchRet.h"
#include "net/SearchMessages.h"
#include "platform/MessageBox.h"
#include "gallery/Screenshot.h"

namespace kiv::test {
namespace {

class SearchProfileScene : public DemoAccount {};

TEST_F(SearchProfileScene, SearchAndProfileWindows) {
  // Enough people named with "明" for a middle page with both paging buttons.
  const char* names[] = {"小明", "小明月", "明明", "大明", "明天", "明亮", "明星", "光明", "明白", "明珠", "明镜", "明朗"};
  for (int i = 0; i < 24; ++i)
    server.admin().addUser("139000001" + std::to_string(10 + i), "123456",
                           std::string(names[i % 12]) + (i < 12 ? "" : "二"));
  ASSERT_TRUE(zhang.signIn());

  CDlgSearch form(zhang.session);
  form.showFriendSearch();
  typeText(form.control<QLineEdit>(CDlgSearch::kText), QStringLiteral("10002"));
  saveScreenshot(&form, QStringLiteral("search-form-friends"));
  form.showGroupSearch();
  click(form, CDlgSearch::kNameOption);
  typeText(form.control<QLineEdit>(CDlgSearch::kText), QStringLiteral("羽毛球"));
  saveScreenshot(&form, QStringLiteral("search-form-groups"));

  CDlgSearchRet users(zhang.session, SearchRequest::kUserByNickname, QStringLiteral("明"));
  users.show();
  saveScreenshot(&users, QStringLiteral("search-results-busy"));
  ASSERT_TRUE(waitFor([&] { return !users.busy(); }));
  click(users, CDlgSearchRet::kNextPage);
  ASSERT_TRUE(waitFor([&] { return !users.busy(); }));
  selectRow(users.control<QTreeWidget>(CDlgSearchRet::kList), 2);
  saveScreenshot(&users, QStringLiteral("search-results-users"));

  CDlgSearchRet groups(zhang.session, SearchRequest::kGroupByName, QString());
  groups.show();
  ASSERT_TRUE(waitFor([&] { return !groups.busy(); }));
  selectRow(groups.control<QTreeWidget>(CDlgSearchRet::kList), 1);
  saveScreenshot(&groups, QStringLiteral("search-results-groups"));

  CDlgInfoUser own(zhang.session);
  own.ShowUser(10001, QStringLiteral("张小明"));
  saveScreenshot(&own, QStringLiteral("profile-busy"));
  ASSERT_TRUE(waitFor([&] { return !own.busy(); }));
  QTest::qWait(100);  // the avatar, fetched from the web port
  saveScreenshot(&own, QStringLiteral("profile-own"));

  CDlgInfoUser other(zhang.session);
  other.ShowUser(10003, QStringLiteral("王大力"));
  ASSERT_TRUE(waitFor([&] { return !other.busy(); }));
  QTest::qWait(100);
  saveScreenshot(&other, QStringLiteral("profile-other"));

  CDlgInfoGroup group(zhang.session);
  group.ShowGroup(20001, QStringLiteral("木棉同学会"), true);
  ASSERT_TRUE(waitFor([&] { return !group.busy(); }));
  QTest::qWait(100);
  saveScreenshot(&group, QStringLiteral("profile-group"));
  EXPECT_TRUE(boxes.texts().empty());
}

}  // namespace
}  // namespace kiv::test
