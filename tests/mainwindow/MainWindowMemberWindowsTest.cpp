// The history viewer and the options window as the main window opens them:
// the history rebuilt at every opening, the password changed on the server
// and in the account the main window remembered at sign-in.
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "MainWindowFixture.h"
#include "history/CDlgHistory.h"
#include "options/CDlgOption.h"
#include "options/CDlgOptionPassword.h"
#include "platform/Gbk.h"
#include "skin/CBitButtonNL.h"
#include "storage/LocalStores.h"

namespace kiv::test {
namespace {

class MemberWindows : public MainWindowFixture {
 protected:
  void chooseAtSignIn(LoginChoices& login) override {
    login.rememberPassword = true;
    login.autoLogin = true;
  }
};

TEST_F(MemberWindows, HistoryIsRebuiltAtEveryOpeningAndOptionsChangeTheRememberedPassword) {
  stack->store.history.AppendUserMessage(10002, gbk::fromUtf8("李小红(私聊):明天见"), "24-05-01 10:00:00");
  main->runSystemCommand(CKivDlg::kMessageManager);
  CDlgHistory* history = main->historyWindow();
  ASSERT_NE(history, nullptr);
  ASSERT_TRUE(history->isVisible());
  ASSERT_GE(history->friendsRoot()->childCount(), 1);
  history->choose(history->friendsRoot()->child(0));
  EXPECT_TRUE(history->pane()->toPlainText().contains(QStringLiteral("明天见")));
  history->hide();
  main->control<CBitButtonNL>(CKivDlg::kHistoryButton)->click();
  EXPECT_EQ(main->historyWindow(), history);
  EXPECT_TRUE(history->isVisible());
  EXPECT_TRUE(history->pane()->toPlainText().isEmpty()) << "the tree was rebuilt, the choice is gone";

  main->control<CBitButtonNL>(CKivDlg::kOptionsButton)->click();
  CDlgOption* options = main->optionsWindow();
  ASSERT_NE(options, nullptr);
  options->showPasswordPage();
  CDlgOptionPassword* page = options->passwordPage();
  QTest::keyClicks(page->control(CDlgOptionPassword::kOldId), QStringLiteral("123456"));
  QTest::keyClicks(page->control(CDlgOptionPassword::kNewId), QStringLiteral("mumian88"));
  QTest::keyClicks(page->control(CDlgOptionPassword::kConfirmationId), QStringLiteral("mumian88"));
  QTest::mouseClick(page->control<CBitButtonNL>(CDlgOptionPassword::kConfirmId), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return !boxes.texts().empty(); }));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"密码设置成功!"});
  EXPECT_FALSE(options->isVisible());

  PhoneMap phones;
  PasswordMap passwords;
  stack->store.logins.LoadLogins(phones, passwords);
  EXPECT_EQ(phones[10001], "13800000001");
  EXPECT_EQ(passwords[10001], "mumian88");
  EXPECT_EQ(stack->store.logins.GetAutoLogin(), 10001);
}

}  // namespace
}  // namespace kiv::test
