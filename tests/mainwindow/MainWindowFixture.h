#pragma once

#include <gtest/gtest.h>
#include <QTest>
#include <memory>
#include <string>

#include "chat/CSendMessage.h"
#include "chat/ChatTestSupport.h"
#include "mainwindow/CKivDlg.h"
#include "mainwindow/CKivListCtrl.h"
#include "mainwindow/CKivTreeCtrl.h"
#include "platform/MessageBox.h"
#include "support/TempDir.h"
#include "support/session/ClientStack.h"
#include "support/session/DemoServer.h"

namespace kiv::test {

// A demo account signed in as the program does it: its connection, contacts
// and store, with the main window as the connection's observer and the
// asker of the lists. signIn() returns once the main window shows the own
// profile, every friend and every group with its members as the server
// holds them.
class MainWindowClient {
 public:
  // A demo account, or any account of the server with the demo password.
  MainWindowClient(DemoServer& server, std::uint32_t userId, const std::string& phone = {})
      : server_(server),
        userId_(userId),
        stack(server, phone.empty() ? DemoServer::demoPhone(userId) : phone, home.path(), DemoServer::kPassword, false),
        main(stack.session) {}

  bool signIn() {
    server::Store& store = server_.store();
    const std::size_t friends = store.friends().friendCount(userId_);
    const auto groups = store.members().memberships(userId_);
    const auto arrived = [&] {
      const ContactModel& model = stack.model;
      if (model.self().userId != static_cast<std::int32_t>(userId_)) return false;
      if (model.list(ContactListKind::kFriends).size() != static_cast<int>(friends)) return false;
      if (model.groups().size() != groups.size()) return false;
      for (const auto& group : groups) {
        const GroupEntry* entry = model.findGroup(static_cast<std::int32_t>(group.groupId));
        if (entry == nullptr || entry->members.size() != store.members().memberCount(group.groupId)) return false;
      }
      return true;
    };
    if (!stack.signIn() || !waitFor(arrived)) return false;
    main.afterSignIn();
    main.show();
    return true;
  }

  CSendMessage* privateWindow(std::int32_t userId) const {
    return dynamic_cast<CSendMessage*>(stack.model.conversations().findPrivate(userId));
  }
  CSendMessage* groupWindow(std::int32_t groupId) const {
    return dynamic_cast<CSendMessage*>(stack.model.conversations().findGroup(groupId));
  }

  // One more message from the server into a conversation of this client.
  struct Probe {
    bool group;
    std::int32_t number;
    std::uint32_t from;  // a private one comes from the partner
  };
  // Has the server send one more message into each conversation and waits
  // until the windows show it: a whole round of polls and fetches went by
  // after everything before, so a copy of anything earlier would have come
  // along by now. Wait on this, not on time, before saying nothing more came.
  bool showsAnotherRound(const std::vector<Probe>& probes) {
    const std::string text = "又一轮" + std::to_string(userId_) + "-" + std::to_string(++rounds_);
    for (const Probe& p : probes)
      if (!server_.admin().sendMessage(p.from, p.group ? "group" : "private", p.group ? p.number : userId_, text))
        return false;
    return waitFor([&] {
      for (const Probe& p : probes) {
        const CSendMessage* chat = p.group ? groupWindow(p.number) : privateWindow(p.number);
        if (chat == nullptr || !shown(chat).contains(QString::fromStdString(text))) return false;
      }
      return true;
    });
  }

 private:
  DemoServer& server_;
  std::uint32_t userId_;
  int rounds_ = 0;

 public:
  TempDir home{"kiv-main"};
  ClientStack stack;
  CKivDlg main;
};

// Takes the messages waiting for `userId` off the server, as if read at an
// earlier sign-in.
inline void dropWaitingMessages(DemoServer& server, std::uint32_t userId) {
  server::Store& store = server.store();
  for (const auto& waiting : store.waiting().waitingConversations(userId, 255))
    store.waiting().takeMessages(userId, waiting.kind, waiting.id, 255);
}

// 张小明 (10001) signed in with his main window: friends 10002-10004, group
// 20001 of his own with three members, group 20002 of 李小红's with him among
// the members. The demo's waiting messages were read before, so no notice
// opens a window by itself.
class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dropWaitingMessages(server, 10001);
    client = std::make_unique<MainWindowClient>(server, 10001);
    stack = &client->stack;
    main = &client->main;
    chooseAtSignIn(stack->session.login);
    ASSERT_TRUE(client->signIn());
  }

  void TearDown() override { client.reset(); }

  // The login window's choices ("记住密码", "自动登录"); none by default.
  virtual void chooseAtSignIn(LoginChoices& /*login*/) {}

  CSendMessage* privateWindow(std::int32_t userId) { return client->privateWindow(userId); }
  CSendMessage* groupWindow(std::int32_t groupId) { return client->groupWindow(groupId); }
  static QString limitLabel(CSendMessage* window) { return window->control<QLabel>(1018)->text(); }

  // Double-clicks the row of a list or the item of the tree.
  static void doubleClick(QAbstractItemView* view, const QModelIndex& index) {
    const QPoint at = view->visualRect(index).center();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }

  DemoServer server;
  TempDir home{"kiv-main"};
  MessageRecorder boxes;
  std::unique_ptr<MainWindowClient> client;
  ClientStack* stack = nullptr;
  CKivDlg* main = nullptr;
};

}  // namespace kiv::test
