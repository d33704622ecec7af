#pragma once

// Working the search and profile windows as a user does, and a scripted
// server for the answers the real one never gives.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ChatTestSupport.h"  // typeText
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/FetchMessagesMessages.h"
#include "net/LoginMessages.h"
#include "net/LogoutMessages.h"
#include "net/NetClient.h"
#include "net/Packet.h"
#include "net/ReceiverRegistry.h"
#include "net/ResponseReceiver.h"
#include "net/UserInfoMessages.h"
#include "platform/MessageBox.h"
#include "platform/qtcore/UiThreadCall.h"
#include "skin/CDlgBasic.h"
#include "storage/LocalStores.h"
#include "support/FakePeer.h"
#include "support/QtAccessibility.h"
#include "support/TempDir.h"
#include "support/session/ClientStack.h"

namespace kiv::test {

using Bytes = std::vector<std::uint8_t>;

inline void click(CDlgBasic& dialog, int id) {
  auto* button = dialog.control<QAbstractButton>(id);
  ASSERT_NE(button, nullptr) << id;
  QTest::mouseClick(button, Qt::LeftButton);
}

inline bool visible(CDlgBasic& dialog, int id) {
  QWidget* widget = dialog.control(id);
  return widget != nullptr && widget->isVisibleTo(&dialog);
}

inline QStringList column(QTreeWidget* list, int col) {
  QStringList texts;
  for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(col);
  return texts;
}

inline void selectRow(QTreeWidget* list, int row) {
  ASSERT_LT(row, list->topLevelItemCount());
  const QRect at = list->visualItemRect(list->topLevelItem(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at.center());
  ASSERT_TRUE(list->topLevelItem(row)->isSelected());
}

// Fetches the waiting messages of one conversation for a signed-in stack.
class MessageFetch : public ResponseReceiver {
 public:
  static std::vector<MessageRecord> of(ClientStack& stack, ConversationKind kind, std::uint32_t id) {
    auto fetch = std::make_shared<MessageFetch>();
    const ReceiverHandle handle = ReceiverRegistry::global().add(fetch);
    FetchMessagesRequest ask;
    ask.kind = kind;
    ask.id = id;
    stack.net.Enqueue(ask.build(stack.net.newKey()), handle);
    const bool arrived = waitFor([&] { return fetch->done(); });
    ReceiverRegistry::global().remove(handle);
    EXPECT_TRUE(arrived);
    std::lock_guard lock(fetch->mutex_);
    return fetch->records_;
  }
  void OnServerResponse(const PendingRequest&, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override {
    if (command != FetchMessagesResponse::kCommand) return;
    std::lock_guard lock(mutex_);
    records_ = FetchMessagesResponse::read(response, size).messages;
    done_ = true;
  }
  bool done() {
    std::lock_guard lock(mutex_);
    return done_;
  }

 private:
  std::mutex mutex_;
  std::vector<MessageRecord> records_;
  bool done_ = false;
};

// A signed-in client whose server is a FakePeer: logins are taken, every
// other packet goes to `answer` (on the peer's thread). The own profile is
// set by the test.
class ScriptedSession {
 public:
  using Answer = std::function<std::vector<Bytes>(const Bytes& packet)>;

 private:
  // First, so that they outlive the peer's thread and the client.
  TempDir home_;
  ScopedEnv env_;
  std::mutex mutex_;
  Answer answer_;
  QObject context_;  // where answersHandled's probe passes through

 public:
  // `pace`: how long one protocol second lasts.
  explicit ScriptedSession(double pace = 0.01) : env_("KIV_HOME", home_.path().c_str()) {
    NetClient::Options options;
    options.pauseScale = pace;
    options.logDirectory = home_.file("Log");
    net = std::make_unique<NetClient>(options);
    session = std::make_unique<ClientSession>(ClientSession{*net, model, store, {}});
    store.ResolveProgramPaths();
    peer.setResponder([this](const Bytes& p) { return serve(p); });
    net->SetServer("127.0.0.1", peer.port());
    net->SetAccount("13800000777", "secret");
    SelfProfile self;
    self.userId = 777;
    model.setSelf(self);
  }
  ~ScriptedSession() { net->Shutdown(); }

  bool signIn() { return net->Start() == 0 && waitFor([&] { return net->loggedIn(); }); }

  // Asks the scripted server for a profile it answers by itself and waits
  // until the answer has passed through the UI thread: every answer that
  // came before it has been handled there by then. Wait on this, not on
  // time, before saying that an answer changed nothing.
  bool answersHandled() {
    struct Probe : ResponseReceiver {
      explicit Probe(QObject* context) : context(context) {}
      void OnServerResponse(const PendingRequest&, const std::uint8_t*, std::uint32_t, std::uint32_t) override {
        callOnThreadOf(context, [this] { handled = true; });
      }
      QObject* context;
      std::atomic<bool> handled{false};
    };
    auto probe = std::make_shared<Probe>(&context_);
    const ReceiverHandle handle = ReceiverRegistry::global().add(probe);
    net->Enqueue(UserInfoRequest{kProbeId}.build(net->newKey()), handle);
    const bool handled = waitFor([&] { return probe->handled.load(); });
    ReceiverRegistry::global().remove(handle);
    return handled;
  }

  void setAnswer(Answer answer) {
    std::lock_guard lock(mutex_);
    answer_ = std::move(answer);
  }

  FakePeer peer;
  ContactModel model;
  LocalStores store;
  std::unique_ptr<NetClient> net;
  std::unique_ptr<ClientSession> session;

 private:
  static constexpr std::uint32_t kProbeId = 0x7ffffff0;

  std::vector<Bytes> serve(const Bytes& p) {
    const HeaderKey key = keyOf(p.data());
    if (commandOf(p.data()) == UserInfoRequest::kCommand && UserInfoRequest::read(p.data(), p.size()).userId == kProbeId)
      return {UserInfoResponse{.userId = kProbeId}.build(key)};
    switch (commandOf(p.data())) {
      case LoginRequest::kCommand:
        return {LoginResponse{}.build(key)};
      case LogoutRequest::kCommand:
        return {LogoutResponse{}.build(key)};
      default: {
        std::lock_guard lock(mutex_);
        return answer_ ? answer_(p) : std::vector<Bytes>{};
      }
    }
  }

};

// 张小明 (10001) of the demo server, ready to sign in; message boxes are
// recorded.
class DemoAccount : public ::testing::Test {
 protected:
  MessageRecorder boxes;
  DemoServer server;
  TempDir home;
  ClientStack zhang{server, DemoServer::demoPhone(10001), home.path()};
};

// A client signed in to a scripted server: every packet but sign-in and
// sign-out goes to answer(), on the peer's thread.
class ScriptedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session.setAnswer([this](const Bytes& p) { return answer(p); });
    ASSERT_TRUE(session.signIn());
  }
  // Before the fixture's members go: no answer() after this.
  void TearDown() override { session.setAnswer(nullptr); }

  virtual std::vector<Bytes> answer(const Bytes& packet) = 0;

  MessageRecorder boxes;
  // A quick pace: one test pages through 256 pages.
  ScriptedSession session{0.002};
  std::atomic<int> status{0};  // what the next action is answered with
};

}  // namespace kiv::test
