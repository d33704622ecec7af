#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/NetClient.h"
#include "storage/LocalStores.h"
#include "support/WaitFor.h"
#include "support/session/DemoServer.h"

namespace kiv::test {

class ListRouter;

// One client as the application object holds it, at a fast pace: the
// NetClient, the contact model (owned by the UI thread), the local store
// under the program directory `home`, and the session the windows share.
//
// Until a main window takes the job, the stack itself puts the own profile,
// the friend list, the group list and the member lists into the model, on
// the UI thread, as the main window would. Pass routeLists = false when a
// main window of the test is the observer and main asker instead.
//
//   DemoServer server;
//   ClientStack alice(server, "13800000001", home.path());
//   ASSERT_TRUE(alice.signIn());
//   CSendMessage chat(alice.session, ...);
class ClientStack {
 public:
  // One protocol second lasts this long in tests: the notice poll comes
  // every 200 ms, the lists every 2.4 s.
  static constexpr double kPace = 0.02;

  ClientStack(DemoServer& server, std::string phone, const std::string& home,
              std::string password = DemoServer::kPassword, bool routeLists = true);
  ~ClientStack();
  ClientStack(const ClientStack&) = delete;
  ClientStack& operator=(const ClientStack&) = delete;

  // Starts the connection and waits, handling Qt events, until the own
  // profile arrived (then the model knows the user and the message database
  // is open) and, with `lists`, the friend list and every group's members.
  // False on a refusal or after 20 s.
  bool signIn(bool lists = true);

  std::int32_t userId() const { return model.self().userId; }

  // Asks the server for the own profile and waits until the answer has
  // passed through the UI thread: every answer that came before it has been
  // handled there by then. Wait on this, not on time, before saying that an
  // answer changed nothing.
  bool answersHandled();

  NetClient net;
  ContactModel model;
  LocalStores store;
  ClientSession session{net, model, store, {}};

 private:
  std::shared_ptr<ListRouter> router_;
  ReceiverHandle routerHandle_ = 0;
  // Last, so that it goes first: a hand-over to the UI thread still queued
  // for it is then dropped instead of reaching a model that is gone.
  std::unique_ptr<QObject> context_;
};

}  // namespace kiv::test
