#pragma once

#include <gtest/gtest.h>
#include <QTest>
#include <memory>

#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/NetClient.h"
#include "options/CDlgOption.h"
#include "options/CDlgOptionPassword.h"
#include "options/CDlgOptionSettings.h"
#include "platform/MessageBox.h"
#include "storage/LocalStores.h"
#include "platform/SoundEnabled.h"
#include "support/TempDir.h"

namespace kiv::test {

// A signed-in account's local side without a server: the login database in
// a temporary program directory, the autostart folder under a temporary
// XDG_CONFIG_HOME, a connection that was never started (not offline), and
// the options window created on first use as the main window creates it.
class OptionsTest : public ::testing::Test {
 protected:
  static constexpr std::int32_t kSelf = 10001;

  OptionsTest() {
    store.logins.OpenLoginDatabase();
    SelfProfile self;
    self.userId = kSelf;
    model.setSelf(self);
    session.login.phone = "13800000001";
    session.login.password = "123456";
  }
  ~OptionsTest() override {
    SoundEnabled = true;
    DesktopNoticesEnabled = true;
  }

  CDlgOption& open() {
    if (!dialog) dialog = std::make_unique<CDlgOption>(session);
    dialog->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    return *dialog;
  }

  template <class T = QWidget>
  T* settingsControl(int id) {
    return dialog->settingsPage()->template control<T>(id);
  }
  template <class T = QWidget>
  T* passwordControl(int id) {
    return dialog->passwordPage()->template control<T>(id);
  }

  TempDir home;
  ScopedEnv programDirectory{"KIV_HOME", home.path().c_str()};
  ScopedEnv configDirectory{"XDG_CONFIG_HOME", home.file("config").c_str()};
  MessageRecorder boxes;
  NetClient net{NetClient::Options{nullptr, 0.02, home.file("Log"), nullptr}};
  ContactModel model;
  LocalStores store;
  ClientSession session{net, model, store, {}};
  std::unique_ptr<CDlgOption> dialog;
};

}  // namespace kiv::test
