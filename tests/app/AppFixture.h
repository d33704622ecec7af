#pragma once

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>

#include "app/CDlgLogin.h"
#include "app/CKivApp.h"
#include "mainwindow/CKivDlg.h"
#include "skin/CBitButtonNL.h"
#include "platform/MessageBox.h"
#include "avatars/Avatars.h"
#include "support/TempDir.h"
#include "support/session/ClientStack.h"
#include "support/session/DemoServer.h"

namespace kiv::test {

// The program's own objects against the in-process demo server, at the test
// pace: the login window and the main window are driven as a user would.
class AppFixture : public ::testing::Test {
 protected:
  static constexpr double kPace = ClientStack::kPace;

  void SetUp() override {
    home_ = std::make_unique<ScopedEnv>("KIV_HOME", dir.path().c_str());
    defaultAvatarService().setWeb(Endpoint{"127.0.0.1", server.webPort()});
    app = std::make_unique<CKivApp>(AppSettings{Endpoint{"127.0.0.1", server.chatPort()}, kPace});
    app->store().ResolveProgramPaths();
    app->store().logins.OpenLoginDatabase();
  }

  void TearDown() override {
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Remembers an account the way an earlier sign-in would have.
  void remember(const char* phone, std::int32_t userId, const char* password, bool autoLogin = false) {
    ASSERT_TRUE(app->store().logins.SaveLogin(phone, userId, password));
    if (autoLogin) {
      ASSERT_TRUE(app->store().logins.SetAutoLogin(userId, true));
    }
  }

  // Opens the login window as the main window's initialisation does, but
  // without running it modally.
  CDlgLogin& openLogin() {
    app->createWindows();
    CDlgLogin& window = *app->loginWindow();
    window.OnInitDialog();
    window.show();
    return window;
  }

  template <class T>
  T* control(int id) {
    return app->loginWindow()->control<T>(id);
  }
  QLineEdit* phoneEdit() { return control<QComboBox>(CDlgLogin::kPhone)->lineEdit(); }

  void typeAccount(const QString& phone, const QString& password) {
    phoneEdit()->clear();
    QTest::keyClicks(phoneEdit(), phone);
    control<QLineEdit>(CDlgLogin::kPassword)->clear();
    QTest::keyClicks(control<QLineEdit>(CDlgLogin::kPassword), password);
  }
  void click(int id) { QTest::mouseClick(control<QAbstractButton>(id), Qt::LeftButton); }

  bool signedIn() {
    return waitFor([&] { return app->loginWindow()->result() == QDialog::Accepted; });
  }
  // The login window closed with OK and the main window did what follows.
  CKivDlg& enterMainWindow() {
    CKivDlg& main = *app->mainWindow();
    main.afterSignIn();
    main.show();
    return main;
  }

  // LogoutRequests the server took, signed in or not.
  int logoutsAtServer() {
    int count = 0;
    for (const std::string& line : server.log().lines())
      if (line.find(" logout ") != std::string::npos) ++count;
    return count;
  }

  DemoServer server;
  TempDir dir{"kiv-app"};
  MessageRecorder boxes;
  std::unique_ptr<ScopedEnv> home_;
  std::unique_ptr<CKivApp> app;
};

}  // namespace kiv::test
