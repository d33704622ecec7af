// The login window as a user works it, against the in-process demo server.
#include <QElapsedTimer>
#include <atomic>
#include <sqlite3.h>

#include "AppFixture.h"
#include "net/FriendListMessages.h"
#include "net/LoginMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/Pace.h"
#include "skin/CPictureEx.h"
#include "support/FakePeer.h"

namespace kiv::test {
namespace {

using LoginWindow = AppFixture;

TEST_F(LoginWindow, TypingAndClickingSignsInAndTheMainWindowRemembersTheAccount) {
  CDlgLogin& login = openLogin();
  // Digits only, eleven at most.
  QTest::keyClicks(phoneEdit(), QStringLiteral("138abc000000019999"));
  EXPECT_EQ(phoneEdit()->text(), QStringLiteral("13800000001"));
  QTest::keyClicks(control<QLineEdit>(CDlgLogin::kPassword), QStringLiteral("123456"));
  control<QCheckBox>(CDlgLogin::kRememberPassword)->click();
  click(CDlgLogin::kLogin);

  ASSERT_TRUE(login.isLoggingIn());
  EXPECT_TRUE(control<QLabel>(CDlgLogin::kLoggingIn)->isVisible());
  EXPECT_FALSE(control<QPushButton>(CDlgLogin::kLogin)->isVisible());
  EXPECT_FALSE(control<QPushButton>(CDlgLogin::kForgotPassword)->isVisible());
  EXPECT_TRUE(control<CPictureEx>(CDlgLogin::kAnimation)->isPlaying());

  // Both answers in, then the closing pause, then OK.
  ASSERT_TRUE(waitFor([&] { return app->model().self().userId == 10001; }));
  QElapsedTimer sinceProfile;
  sinceProfile.start();
  ASSERT_TRUE(signedIn());
  EXPECT_GE(sinceProfile.elapsed(), static_cast<qint64>(CDlgLogin::kClosingPauseMs * kPace) - 5);
  EXPECT_FALSE(login.isVisible());
  EXPECT_FALSE(control<CPictureEx>(CDlgLogin::kAnimation)->isPlaying());
  EXPECT_EQ(app->session().login.phone, "13800000001");
  EXPECT_TRUE(app->session().login.rememberPassword);
  EXPECT_FALSE(app->session().login.autoLogin);
  EXPECT_GT(app->model().list(ContactListKind::kFriends).size(), 0) << "the first friend list arrived";

  CKivDlg& main = enterMainWindow();
  EXPECT_TRUE(main.profileText().startsWith(QStringLiteral("昵称:张小明\nID号:10001\n积分:")));
  PhoneMap phones;
  PasswordMap passwords;
  app->store().logins.LoadLogins(phones, passwords);
  EXPECT_EQ(phones[10001], "13800000001");
  EXPECT_EQ(passwords[10001], "123456");
  EXPECT_EQ(app->store().logins.GetAutoLogin(), std::nullopt);
  EXPECT_TRUE(boxes.texts().empty());

  // "退出": exactly one LogoutRequest, also after the program's Shutdown.
  main.runSystemCommand(CKivDlg::kExit);
  EXPECT_TRUE(main.hasEnded());
  EXPECT_FALSE(main.isVisible());
  app->Shutdown();
  EXPECT_EQ(logoutsAtServer(), 1);
  EXPECT_TRUE(server.log().contains("logout user 10001"));
}

TEST_F(LoginWindow, TheAutoLoginAccountSignsInWithoutAClickAndAStaleChoiceOpensNormally) {
  remember("13800000002", 10002, "123456");
  remember("13800000001", 10001, "123456", true);
  CDlgLogin& login = openLogin();
  EXPECT_TRUE(login.isLoggingIn());
  EXPECT_TRUE(control<QCheckBox>(CDlgLogin::kRememberPassword)->isChecked());
  EXPECT_TRUE(control<QCheckBox>(CDlgLogin::kAutoLogin)->isChecked());
  ASSERT_TRUE(signedIn());
  EXPECT_EQ(app->model().self().userId, 10001);
  EXPECT_TRUE(app->session().login.autoLogin);
  enterMainWindow();
  EXPECT_EQ(app->store().logins.GetAutoLogin(), 10001);
  app->mainWindow()->exitProgram();
  app.reset();

  // The auto-login account was forgotten meanwhile: no sign-in, the list
  // is there to choose from.
  app = std::make_unique<CKivApp>(AppSettings{Endpoint{"127.0.0.1", server.chatPort()}, kPace});
  app->store().ResolveProgramPaths();
  app->store().logins.OpenLoginDatabase();
  ASSERT_TRUE(app->store().logins.DeleteLogin("13800000001"));
  CDlgLogin& again = openLogin();
  EXPECT_FALSE(again.isLoggingIn());
  auto* phone = control<QComboBox>(CDlgLogin::kPhone);
  ASSERT_EQ(phone->count(), 1);
  EXPECT_EQ(phone->currentText(), QStringLiteral("13800000002"));
}

TEST_F(LoginWindow, TheSignInChoicesAreKeptAsTheUserLeftThem) {
  const auto restart = [&] {
    app->mainWindow()->exitProgram();
    app.reset();
    app = std::make_unique<CKivApp>(AppSettings{Endpoint{"127.0.0.1", server.chatPort()}, kPace});
    app->store().logins.OpenLoginDatabase();
  };
  const auto passwordOf = [&](std::int32_t userId) {
    PhoneMap phones;
    PasswordMap passwords;
    app->store().logins.LoadLogins(phones, passwords);
    return passwords[userId];
  };

  // Automatic sign-in was chosen in the options after a sign-in without
  // "记住密码": no sign-in without a password, but the list is there, the
  // account first and its choice ticked.
  remember("13800000002", 10002, "123456");
  remember("13800000001", 10001, "", true);
  CDlgLogin& login = openLogin();
  auto* phone = control<QComboBox>(CDlgLogin::kPhone);
  auto* autoBox = control<QCheckBox>(CDlgLogin::kAutoLogin);
  EXPECT_FALSE(login.isLoggingIn());
  ASSERT_EQ(phone->count(), 2);
  EXPECT_EQ(phone->currentText(), QStringLiteral("13800000001"));
  EXPECT_TRUE(autoBox->isChecked());
  EXPECT_TRUE(control<QCheckBox>(CDlgLogin::kRememberPassword)->isChecked());
  QTest::keyClicks(control<QLineEdit>(CDlgLogin::kPassword), QStringLiteral("123456"));
  click(CDlgLogin::kLogin);
  ASSERT_TRUE(signedIn());
  enterMainWindow();
  EXPECT_EQ(passwordOf(10001), "123456");
  EXPECT_EQ(app->store().logins.GetAutoLogin(), 10001);

  // Signed in by hand with "自动登录" unticked: the choice is gone.
  restart();
  app->store().logins.SetSavedPassword(10001, "");
  openLogin();
  control<QCheckBox>(CDlgLogin::kAutoLogin)->click();
  EXPECT_FALSE(control<QCheckBox>(CDlgLogin::kAutoLogin)->isChecked());
  QTest::keyClicks(control<QLineEdit>(CDlgLogin::kPassword), QStringLiteral("123456"));
  click(CDlgLogin::kLogin);
  ASSERT_TRUE(signedIn());
  enterMainWindow();
  EXPECT_EQ(app->store().logins.GetAutoLogin(), std::nullopt);

  // The remove button forgets the account whose number is in the box, not
  // the one chosen from the list before.
  restart();
  openLogin();
  phone = control<QComboBox>(CDlgLogin::kPhone);
  phone->setCurrentIndex(phone->findText(QStringLiteral("13800000001")));
  ASSERT_EQ(control<QLineEdit>(CDlgLogin::kPassword)->text(), QStringLiteral("123456"));
  typeAccount(QStringLiteral("13800000002"), QString());
  click(CDlgLogin::kRemoveAccount);
  ASSERT_EQ(phone->count(), 1);
  EXPECT_EQ(phone->itemText(0), QStringLiteral("13800000001"));
  EXPECT_EQ(passwordOf(10001), "123456");
  EXPECT_EQ(passwordOf(10002), "") << "forgotten";
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(LoginWindow, RefusalsAndBadInputStopTheLoginAndLeaveTheInputsUsable) {
  CDlgLogin& login = openLogin();
  // Nothing typed: nothing happens. Ten digits: said, and the connection is
  // never started.
  click(CDlgLogin::kLogin);
  typeAccount(QStringLiteral("1380000000"), QStringLiteral("123456"));
  click(CDlgLogin::kLogin);
  EXPECT_FALSE(login.isLoggingIn());
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"请输入正确的手机号!"});
  EXPECT_EQ(server.connectionCount(), 0u);

  struct Case {
    const char* phone;
    const char* password;
    const char* text;
  };
  for (const Case& refused : {Case{"13800000001", "wrong", "13800000001密码错误"},
                              Case{"13999999999", "123456", "13999999999手机号未注册"}}) {
    typeAccount(QString::fromUtf8(refused.phone), QString::fromUtf8(refused.password));
    click(CDlgLogin::kLogin);
    ASSERT_TRUE(waitFor([&] { return !login.isLoggingIn(); })) << refused.text;
    EXPECT_EQ(boxes.texts().back(), refused.text);
    EXPECT_TRUE(app->net().stopped());
    EXPECT_TRUE(control<QPushButton>(CDlgLogin::kLogin)->isVisible());
    EXPECT_FALSE(control<QLabel>(CDlgLogin::kLoggingIn)->isVisible());
    EXPECT_FALSE(control<CPictureEx>(CDlgLogin::kAnimation)->isVisible());
    EXPECT_EQ(login.result(), 0) << "still open";
  }
  EXPECT_EQ(boxes.texts().size(), 3u) << "a refusal is said once, by the connection";
}

TEST_F(LoginWindow, ATimedOutLoginSaysSoAndCanBeStartedAgain) {
  // A server that accepts the login but keeps the profile and the friend
  // list to itself until told otherwise.
  FakePeer peer;
  std::atomic<bool> answering{false};
  peer.setResponder([&](const FakePeer::Bytes& packet) {
    std::vector<FakePeer::Bytes> answers;
    const HeaderKey key = keyOf(packet.data());
    const std::uint32_t command = commandOf(packet.data());
    if (command == LoginRequest::kCommand) answers.push_back(LoginResponse{0}.build(key));
    if (answering && command == UserInfoRequest::kCommand) {
      UserInfoResponse profile;
      profile.userId = 10001;
      profile.nickname = "Tester";
      answers.push_back(profile.build(key));
    }
    if (answering && command == FriendListRequest::kCommand) answers.push_back(FriendListResponse{}.build(key));
    return answers;
  });
  app = std::make_unique<CKivApp>(AppSettings{Endpoint{"127.0.0.1", peer.port()}, kPace});
  app->store().ResolveProgramPaths();
  app->store().logins.OpenLoginDatabase();

  CDlgLogin& login = openLogin();
  typeAccount(QStringLiteral("13800000001"), QStringLiteral("123456"));
  click(CDlgLogin::kLogin);
  ASSERT_TRUE(waitFor([&] { return !login.isLoggingIn(); }));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"连接服务器超时！"});
  EXPECT_TRUE(app->net().stopped());
  EXPECT_EQ(login.tickCount(), 0);
  EXPECT_TRUE(control<QPushButton>(CDlgLogin::kLogin)->isVisible());

  answering = true;
  click(CDlgLogin::kLogin);
  ASSERT_TRUE(signedIn());
  EXPECT_EQ(app->model().self().userId, 10001);
  EXPECT_EQ(peer.connections(), 2);
}

TEST_F(LoginWindow, RememberedAccountsAreOfferedFilledInAndForgotten) {
  remember("13800000003", 10003, "");
  remember("13800000002", 10002, "secret2");
  {
    // 10003 signed in long before 10002.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file("KivSys.dll").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "update loginer set rtime='2020-01-01 00:00:00' where phoneid=10003", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  openLogin();
  auto* phone = control<QComboBox>(CDlgLogin::kPhone);
  auto* password = control<QLineEdit>(CDlgLogin::kPassword);
  auto* rememberBox = control<QCheckBox>(CDlgLogin::kRememberPassword);
  auto* autoBox = control<QCheckBox>(CDlgLogin::kAutoLogin);
  ASSERT_EQ(phone->count(), 2);
  EXPECT_EQ(phone->itemText(0), QStringLiteral("13800000002")) << "the latest sign-in first";
  EXPECT_EQ(password->text(), QStringLiteral("secret2"));
  EXPECT_TRUE(rememberBox->isChecked());

  // Choosing the account without a saved password must not send it the
  // password of the one chosen before.
  phone->setFocus();
  QTest::keyClick(phone, Qt::Key_Down);
  ASSERT_EQ(phone->currentText(), QStringLiteral("13800000003"));
  EXPECT_TRUE(password->text().isEmpty());
  EXPECT_FALSE(rememberBox->isChecked());
  QTest::keyClick(phone, Qt::Key_Up);
  ASSERT_EQ(password->text(), QStringLiteral("secret2"));

  // The boxes are coupled both ways.
  rememberBox->click();
  EXPECT_FALSE(rememberBox->isChecked());
  autoBox->click();
  EXPECT_TRUE(autoBox->isChecked());
  EXPECT_TRUE(rememberBox->isChecked());
  rememberBox->click();
  EXPECT_FALSE(autoBox->isChecked());

  click(CDlgLogin::kRemoveAccount);
  ASSERT_EQ(phone->count(), 1);
  EXPECT_EQ(phone->itemText(0), QStringLiteral("13800000003"));
  EXPECT_TRUE(phone->currentText().isEmpty());
  EXPECT_TRUE(password->text().isEmpty());
  PhoneMap phones;
  PasswordMap passwords;
  app->store().logins.LoadLogins(phones, passwords);
  EXPECT_EQ(phones.count(10002), 0u);
  EXPECT_EQ(control<QPushButton>(CDlgLogin::kRemoveAccount)->toolTip(), QStringLiteral("消除帐号"));
  EXPECT_EQ(phoneEdit()->accessibleName(), QStringLiteral("手机号码"));
  EXPECT_EQ(password->accessibleName(), QStringLiteral("密码"));
}

TEST_F(LoginWindow, ForgottenPasswordIsAskedBesideTheWindowWithItsFourAnswers) {
  CDlgLogin& login = openLogin();
  auto* forgot = control<QPushButton>(CDlgLogin::kForgotPassword);
  click(CDlgLogin::kForgotPassword);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"请先输入手机号"});

  const auto ask = [&](const QString& phone) {
    typeAccount(phone, QString());
    click(CDlgLogin::kForgotPassword);
    EXPECT_TRUE(login.isAskingForPassword());
    EXPECT_FALSE(forgot->isEnabled());
    EXPECT_TRUE(waitFor([&] { return !login.isAskingForPassword(); }));
    EXPECT_TRUE(forgot->isEnabled());
    return boxes.texts().back();
  };
  EXPECT_EQ(ask(QStringLiteral("13800000002")), "密码已经发送到你的手机,请注意查收");
  EXPECT_TRUE(server.log().contains("SMS to 13800000002"));
  EXPECT_EQ(ask(QStringLiteral("13900000000")), "13900000000还不木棉用户,请核查您的手机号");
  EXPECT_EQ(ask(QStringLiteral("139")), "手机号输入不正确,请核查您的手机号");
  server.stop();
  EXPECT_EQ(ask(QStringLiteral("13800000002")), "尝试连接服务器失败");
}

TEST_F(LoginWindow, ClosingItEndsTheProgramWithNoTrafficButTheAttempts) {
  remember("13800000001", 10001, "123456", true);
  CDlgLogin& login = openLogin();
  ASSERT_TRUE(login.isLoggingIn());
  login.closeButton()->click();
  EXPECT_EQ(login.result(), QDialog::Rejected);
  EXPECT_FALSE(login.isLoggingIn());
  EXPECT_TRUE(app->net().stopped());
  app->Shutdown();
  EXPECT_EQ(logoutsAtServer(), 0);
  EXPECT_FALSE(app->mainWindow() != nullptr && app->mainWindow()->isVisible());
}

}  // namespace
}  // namespace kiv::test

namespace kiv::test {
namespace {

TEST(AppSettings, PaceIsAFactorAtMostOneAndAnythingElseMeansOne) {
  EXPECT_DOUBLE_EQ(parsePace("0.05"), 0.05);
  EXPECT_DOUBLE_EQ(parsePace("1"), 1.0);
  for (const char* bad : {"", "0", "-0.5", "2", "fast", "0.5x", "nan", "inf"})
    EXPECT_DOUBLE_EQ(parsePace(bad), 1.0) << bad;
  EXPECT_DOUBLE_EQ(parsePace(nullptr), 1.0);
  ScopedEnv pace("KIV_PACE", "0.25");
  ScopedEnv server("KIV_SERVER", "127.0.0.2:9000");
  const AppSettings settings = AppSettings::fromEnvironment();
  EXPECT_DOUBLE_EQ(settings.pace, 0.25);
  EXPECT_EQ(settings.server, (Endpoint{"127.0.0.2", 9000}));
}

}  // namespace
}  // namespace kiv::test
