// The "密码安全" page: its checks, its answers, and a real change on the
// in-process server after which the client signs in with the new password.
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <mutex>

#include "OptionsTest.h"
#include "net/ChangePasswordMessages.h"
#include "net/LoginMessages.h"
#include "net/LogoutMessages.h"
#include "skin/CBitButtonNL.h"
#include "skin/CMacProgressCtrl.h"
#include "support/FakePeer.h"
#include "support/QtAccessibility.h"
#include "support/QtScreenshot.h"
#include "support/session/ClientStack.h"

namespace kiv::test {
namespace {

using Password = CDlgOptionPassword;
using Texts = std::vector<std::string>;

class PasswordTest : public OptionsTest {
 protected:
  CDlgOptionPassword& openPasswordPage() {
    CDlgOption& options = open();
    QTest::mouseClick(options.control<CBitButtonNL>(CDlgOption::kPasswordTabId), Qt::LeftButton);
    return *options.passwordPage();
  }
  void type(int id, const QString& text) {
    auto* edit = passwordControl<QLineEdit>(id);
    edit->clear();
    QTest::keyClicks(edit, text);
  }
  void click(int id) { QTest::mouseClick(passwordControl<CBitButtonNL>(id), Qt::LeftButton); }
  bool busy() {
    auto* bar = passwordControl<CMacProgressCtrl>(Password::kProgressId);
    return bar->isVisible() && bar->isBusy() && passwordControl(Password::kProgressLabelId)->isVisible();
  }
};

TEST_F(PasswordTest, ChecksRunInOrderAndOnlyACompleteFormIsSentOnce) {
  openPasswordPage();
  click(Password::kConfirmId);
  type(Password::kOldId, QStringLiteral("123456"));
  click(Password::kConfirmId);
  // The apostrophe is refused before the confirmation is looked at.
  type(Password::kNewId, QStringLiteral("ab'cd"));
  click(Password::kConfirmId);
  type(Password::kNewId, QStringLiteral("abcd"));
  click(Password::kConfirmId);
  type(Password::kConfirmationId, QStringLiteral("abce"));
  click(Password::kConfirmId);
  EXPECT_EQ(boxes.texts(), (Texts{"请输入旧密码", "请输入新密码", "密码包含有非法字符!", "请输入确认密码",
                                  "两次输入密码不一致"}));
  EXPECT_EQ(net.pendingRequests(), 0);
  EXPECT_FALSE(busy());

  // Ten characters fit, the eleventh is not taken.
  type(Password::kNewId, QStringLiteral("0123456789x"));
  EXPECT_EQ(passwordControl<QLineEdit>(Password::kNewId)->text(), QStringLiteral("0123456789"));
  type(Password::kConfirmationId, QStringLiteral("0123456789"));
  click(Password::kConfirmId);
  EXPECT_TRUE(busy());
  EXPECT_EQ(net.pendingRequests(), 1);
  click(Password::kConfirmId);  // while waiting: no second request
  EXPECT_EQ(net.pendingRequests(), 1);
  EXPECT_EQ(boxes.texts().size(), 5u);

  click(Password::kCancelId);
  EXPECT_FALSE(busy());
  EXPECT_FALSE(passwordControl<CMacProgressCtrl>(Password::kProgressId)->isBusy());
  for (int id : {Password::kOldId, Password::kNewId, Password::kConfirmationId})
    EXPECT_TRUE(passwordControl<QLineEdit>(id)->text().isEmpty());

  // Offline, nothing else is looked at.
  net.GoOffline(true);
  ASSERT_TRUE(net.stopped());
  click(Password::kConfirmId);
  ASSERT_EQ(boxes.requests().size(), 6u);
  EXPECT_EQ(boxes.requests().back().text, "请先连接服务器");
  EXPECT_EQ(boxes.requests().back().caption, "木棉");
}

// The page signed in to a scripted server, which answers each change with
// the answer set for it.
class PasswordAnswers : public PasswordTest {
 protected:
  using Bytes = FakePeer::Bytes;

  void SetUp() override {
    peer.setResponder([this](const Bytes& packet) { return serve(packet); });
    net.SetServer("127.0.0.1", peer.port());
    net.SetAccount(session.login.phone, session.login.password);
    ASSERT_EQ(net.Start(), 0);
    ASSERT_TRUE(ClientStack::waitFor([&] { return net.loggedIn(); }));
  }
  void TearDown() override {
    net.Shutdown();
    peer.stop();
  }

  // Fills in the form, confirms, and waits for the page's message box.
  void change() {
    openPasswordPage();
    const std::size_t before = boxes.texts().size();
    type(Password::kOldId, QStringLiteral("123456"));
    type(Password::kNewId, QStringLiteral("654321"));
    type(Password::kConfirmationId, QStringLiteral("654321"));
    click(Password::kConfirmId);
    ASSERT_TRUE(ClientStack::waitFor([&] { return boxes.texts().size() > before; }));
    EXPECT_FALSE(dialog->isVisible());
  }
  void answerWith(std::uint8_t result, std::size_t size = 25) {
    std::lock_guard lock(mutex);
    next = [result, size](const HeaderKey& key) {
      Bytes packet = ChangePasswordResponse{result}.build(key);
      packet.resize(size);
      putU32(packet.data(), kLengthOffset, static_cast<std::uint32_t>(size));
      return packet;
    };
  }

  std::mutex mutex;
  std::function<Bytes(const HeaderKey&)> next;
  FakePeer peer;

 private:
  std::vector<Bytes> serve(const Bytes& packet) {
    const HeaderKey key = keyOf(packet.data());
    switch (commandOf(packet.data())) {
      case LoginRequest::kCommand:
        return {LoginResponse{}.build(key)};
      case LogoutRequest::kCommand:
        return {LogoutResponse{}.build(key)};
      case ChangePasswordRequest::kCommand: {
        std::lock_guard lock(mutex);
        return {next(key)};
      }
      default:
        return {};
    }
  }
};

TEST_F(PasswordAnswers, EveryAnswerIsToldAndClosesTheWindowButOnlyAChangeAdoptsThePassword) {
  store.SaveLogin(session.login.phone, kSelf, "123456");
  session.login.rememberPassword = 1;
  for (const std::uint8_t result : {1, 2, 3, 7}) {
    answerWith(result);
    change();
  }
  answerWith(0, 24);  // cut before its result: not a change
  change();
  EXPECT_EQ(session.login.password, "123456");
  PhoneMap phones;
  PasswordMap passwords;
  store.LoadLogins(phones, passwords);
  EXPECT_EQ(passwords[kSelf], "123456");

  answerWith(0);
  change();
  EXPECT_EQ(boxes.texts(), (Texts{"旧密码错误", "新密码不能为空", "您设置的密码过长", "系统繁忙,请稍后再试",
                                  "系统繁忙,请稍后再试", "密码设置成功!"}));
  EXPECT_EQ(session.login.password, "654321");
  store.LoadLogins(phones, passwords);
  EXPECT_EQ(passwords[kSelf], "654321");

  // An account that does not keep its password keeps none.
  store.SaveLogin(session.login.phone, kSelf, "");
  session.login.rememberPassword = 0;
  change();
  store.LoadLogins(phones, passwords);
  EXPECT_EQ(passwords[kSelf], "");
}

TEST(PasswordChange, OnTheServerThenReconnectionAndAutoLoginUseTheNewPassword) {
  MessageRecorder boxes;
  DemoServer server;
  TempDir home;
  const std::string phone = DemoServer::demoPhone(10001);
  ClientStack zhang(server, phone, home.path());
  ASSERT_TRUE(zhang.signIn(false));
  // Signed in with "记住密码" and "自动登录", as the main window records it.
  zhang.session.login.rememberPassword = 1;
  zhang.session.login.autoLogin = 1;
  zhang.store.SaveLogin(phone, zhang.userId(), DemoServer::kPassword);
  zhang.store.SetAutoLogin(zhang.userId(), 1);

  CDlgOption options(zhang.session);
  options.show();
  QTest::mouseClick(options.control<CBitButtonNL>(CDlgOption::kPasswordTabId), Qt::LeftButton);
  CDlgOptionPassword& page = *options.passwordPage();
  QTest::keyClicks(page.control(Password::kOldId), QStringLiteral("123456"));
  QTest::keyClicks(page.control(Password::kNewId), QStringLiteral("kapok2024"));
  QTest::keyClicks(page.control(Password::kConfirmationId), QStringLiteral("kapok2024"));
  QTest::mouseClick(page.control<CBitButtonNL>(Password::kConfirmId), Qt::LeftButton);
  ASSERT_TRUE(page.waiting());
  saveScreenshot(&options, QStringLiteral("options-password-busy"));
  EXPECT_TRUE(unnamedControls(&options).isEmpty()) << unnamedControls(&options).join(", ").toStdString();

  ASSERT_TRUE(ClientStack::waitFor([&] { return !boxes.texts().empty(); }));
  EXPECT_EQ(boxes.texts(), Texts{"密码设置成功!"});
  EXPECT_FALSE(options.isVisible());
  EXPECT_FALSE(page.waiting());
  EXPECT_EQ(zhang.session.login.password, "kapok2024");

  // The connection drops and signs in again by itself, with the new password.
  server.stop();
  ASSERT_TRUE(ClientStack::waitFor([&] { return !zhang.net.loggedIn(); }, 10000));
  ASSERT_TRUE(server.start());
  ASSERT_TRUE(ClientStack::waitFor([&] { return zhang.net.loggedIn(); }, 10000));
  EXPECT_EQ(boxes.texts().size(), 1u);

  // The next start signs in automatically with what the login store holds.
  PhoneMap phones;
  PasswordMap passwords;
  zhang.store.LoadLogins(phones, passwords);
  const std::int32_t automatic = zhang.store.GetAutoLogin();
  ASSERT_EQ(automatic, 10001);
  EXPECT_EQ(passwords[automatic], "kapok2024");
  TempDir nextHome;
  ClientStack next(server, phones[automatic], nextHome.path(), passwords[automatic]);
  EXPECT_TRUE(next.signIn(false));
  TempDir staleHome;
  ClientStack stale(server, phone, staleHome.path(), DemoServer::kPassword);
  EXPECT_FALSE(stale.signIn(false));
}

}  // namespace
}  // namespace kiv::test
