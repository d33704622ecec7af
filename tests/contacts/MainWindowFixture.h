#pragma once

#include <gtest/gtest.h>
#include <QTest>
#include <memory>

#include "chat/CSendMessage.h"
#include "contacts/CKivDlg.h"
#include "contacts/CKivListCtrl.h"
#include "contacts/CKivTreeCtrl.h"
#include "platform/MessageBox.h"
#include "support/TempDir.h"
#include "support/session/ClientStack.h"
#include "support/session/DemoServer.h"

namespace kiv::test {

// 张小明 (10001) signed in with the main window as the connection's observer
// and the asker of the lists: friends 10002-10004, group 20001 of his own
// with three members, group 20002 of 李小红's with him among the members.
class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    stack = std::make_unique<ClientStack>(server, "13800000001", home.path(), DemoServer::kPassword, false);
    chooseAtSignIn(stack->session.login);
    main = std::make_unique<CKivDlg>(stack->session);
    ASSERT_TRUE(stack->signIn());
    ASSERT_TRUE(ClientStack::waitFor([&] { return listsArrived(); }));
    main->afterSignIn();
    main->show();
  }

  void TearDown() override {
    main.reset();
    stack.reset();
  }

  // The login window's choices ("记住密码", "自动登录"); none by default.
  virtual void chooseAtSignIn(LoginChoices& /*login*/) {}

  bool listsArrived() const {
    const ContactModel& model = stack->model;
    if (model.self().userId != 10001 || model.list(ContactListKind::kFriends).size() < 3) return false;
    const GroupEntry* own = model.findGroup(20001);
    const GroupEntry* other = model.findGroup(20002);
    return own != nullptr && other != nullptr && own->members.size() == 4 && other->members.size() == 4;
  }

  CSendMessage* privateWindow(std::int32_t userId) {
    return dynamic_cast<CSendMessage*>(stack->model.conversations().findPrivate(userId));
  }
  CSendMessage* groupWindow(std::int32_t groupId) {
    return dynamic_cast<CSendMessage*>(stack->model.conversations().findGroup(groupId));
  }
  static QString limitLabel(CSendMessage* window) { return window->control<QLabel>(1018)->text(); }

  // Double-clicks the row of a list or the item of the tree.
  static void doubleClick(QAbstractItemView* view, const QModelIndex& index) {
    const QPoint at = view->visualRect(index).center();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }

  DemoServer server;
  TempDir home{"kiv-main"};
  MessageRecorder boxes;
  std::unique_ptr<ClientStack> stack;
  std::unique_ptr<CKivDlg> main;
};

}  // namespace kiv::test
