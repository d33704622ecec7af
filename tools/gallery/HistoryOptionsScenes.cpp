// The message manager (a conversation's page, the results of a search) and
// both pages of the options, opened from the main window of a signed-in
// user as a user opens them.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "app/AppFixture.h"
#include "gallery/Screenshot.h"
#include "history/CDlgHistory.h"
#include "history/SearchResultList.h"
#include "mainwindow/CKivTreeCtrl.h"
#include "options/CDlgOption.h"
#include "options/CDlgOptionPassword.h"
#include "platform/Gbk.h"

namespace kiv::test {
namespace {

class HistoryOptionsScene : public AppFixture {
 protected:
  CKivDlg& signIn() {
    remember("13800000001", 10001, "123456");
    openLogin();
    click(CDlgLogin::kLogin);
    EXPECT_TRUE(signedIn());
    CKivDlg& main = enterMainWindow();
    EXPECT_TRUE(waitFor([&] { return main.tree()->topLevelItemCount() > 0; }));
    return main;
  }
};

TEST_F(HistoryOptionsScene, MessageManagerPageAndSearch) {
  CKivDlg& main = signIn();
  // A talk of a weekend, stored as received and as sent.
  const char* talk[][2] = {{"李小红(私聊):周六上午九点，体育馆见？", "26-03-07 09:30:12"},
                           {"我(私聊):好的，我带球拍。", "26-03-07 09:31:40"},
                           {"李小红(私聊):记得带水，打完一起吃火锅吧", "26-03-07 09:32:05"},
                           {"我(私聊):火锅好！那就这么定了。", "26-03-07 09:33:18"}};
  for (const auto& [text, time] : talk) ASSERT_TRUE(app->store().history.AppendUserMessage(10002, gbk::fromUtf8(text), time));
  ASSERT_TRUE(app->store().history.AppendGroupMessage(20001, gbk::fromUtf8("王大力(群聊):周日火锅，谁来？"),
                                                     "26-03-08 18:02:44"));

  QTest::mouseClick(main.control<QAbstractButton>(CKivDlg::kHistoryButton), Qt::LeftButton);
  CDlgHistory* history = main.historyWindow();
  ASSERT_NE(history, nullptr);
  ASSERT_TRUE(waitFor([&] { return history->isVisible(); }));
  QTreeWidgetItem* friends = history->friendsRoot();
  QTreeWidgetItem* partner = nullptr;
  for (int i = 0; i < friends->childCount(); ++i)
    if (friends->child(i)->text(0) == QStringLiteral("李小红")) partner = friends->child(i);
  ASSERT_NE(partner, nullptr);
  history->choose(partner);
  ASSERT_TRUE(history->pane()->toPlainText().contains(QStringLiteral("一起吃火锅")));
  saveScreenshot(history, QStringLiteral("history-page"));

  // As Enter in the search box does; a key here would go to whichever
  // window the offscreen screen made active.
  history->searchBox()->setText(QStringLiteral("火锅"));
  history->startSearch();
  ASSERT_TRUE(waitFor([&] { return history->results()->rowCount() == 3; }, std::chrono::seconds(60)));
  ASSERT_TRUE(history->results()->isVisible());
  saveScreenshot(history, QStringLiteral("history-search"));
}

TEST_F(HistoryOptionsScene, OptionsSettingsAndPasswordPages) {
  CKivDlg& main = signIn();
  QTest::mouseClick(main.control<QAbstractButton>(CKivDlg::kOptionsButton), Qt::LeftButton);
  CDlgOption* options = main.optionsWindow();
  ASSERT_NE(options, nullptr);
  ASSERT_TRUE(waitFor([&] { return options->isVisible(); }));
  saveScreenshot(options, QStringLiteral("options-settings"));

  QTest::mouseClick(options->control<QAbstractButton>(CDlgOption::kPasswordTabId), Qt::LeftButton);
  CDlgOptionPassword& page = *options->passwordPage();
  QTest::keyClicks(page.control(CDlgOptionPassword::kOldId), QStringLiteral("123456"));
  QTest::keyClicks(page.control(CDlgOptionPassword::kNewId), QStringLiteral("kapok2024"));
  saveScreenshot(options, QStringLiteral("options-password"));
}

}  // namespace
}  // namespace kiv::test
