#include "support/session/ClientStack.h"

#include <QCoreApplication>
#include <atomic>
#include <cstdlib>

#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "net/GroupMembersMessages.h"
#include "net/NetObserver.h"
#include "net/ReceiverRegistry.h"
#include "net/ResponseReceiver.h"
#include "net/UserInfoMessages.h"
#include "platform/Endpoint.h"
#include "platform/qtcore/UiThreadCall.h"
#include "avatars/Avatars.h"

namespace kiv::test {

// Plays the main window's part for the lists: the observer of the
// connection and the asker of the friend and member lists.
class ListRouter : public NetObserver, public ResponseReceiver {
 public:
  ListRouter(ClientStack& stack, QObject* context) : stack_(stack), context_(context) {}

  void onOwnProfile(const UserInfoResponse& profile) override {
    onUi([&] {
      stack_.model.setSelf(SelfProfile::from(profile));
      stack_.store.history.OpenMessageDatabase(static_cast<std::int32_t>(profile.userId));
      profile_ = true;
    });
  }
  void onLoginRefused(int, const std::string&) override { refused_ = true; }
  void onGroupList(const GroupListResponse& groups) override {
    onUi([&] {
      for (std::int32_t id : stack_.model.replaceGroups(groups)) {
        GroupMembersRequest ask;
        ask.groupId = static_cast<std::uint32_t>(id);
        stack_.net.Enqueue(ask.build(stack_.net.newKey()), handle);
      }
      groups_ = true;
    });
  }
  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override {
    onUi([&] {
      if (command == FriendListResponse::kCommand) {
        stack_.model.replaceFriends(FriendListResponse::read(response, size));
        friends_ = true;
      } else if (command == GroupMembersResponse::kCommand) {
        const auto asked = GroupMembersRequest::read(request.packet, static_cast<std::size_t>(request.length));
        stack_.model.replaceMembers(static_cast<std::int32_t>(asked.groupId),
                                    GroupMembersResponse::read(response, size));
        ++memberLists_;
      }
    });
  }

  bool profileArrived() const { return profile_; }
  bool refused() const { return refused_; }
  // The friend list and, after a group list, the members of every group.
  bool listsArrived() const {
    return friends_ && groups_ && memberLists_ >= static_cast<int>(stack_.model.groups().size());
  }

  ReceiverHandle handle = 0;

 private:
  template <class F>
  void onUi(F&& work) {
    // Blocking, like the windows' own hand-over: the receive thread goes on
    // only once the model has taken the change.
    callOnThreadOf(context_, work);
  }

  ClientStack& stack_;
  QObject* context_;
  std::atomic<bool> profile_{false};
  std::atomic<bool> refused_{false};
  std::atomic<bool> friends_{false};
  std::atomic<bool> groups_{false};
  std::atomic<int> memberLists_{0};
};

namespace {

// Says when its answer has been through the UI thread.
class AnswerProbe : public ResponseReceiver {
 public:
  explicit AnswerProbe(QObject* context) : context_(context) {}
  void OnServerResponse(const PendingRequest&, const std::uint8_t*, std::uint32_t, std::uint32_t) override {
    callOnThreadOf(context_, [this] { handled = true; });
  }
  std::atomic<bool> handled{false};

 private:
  QObject* context_;
};

NetClient::Options fastOptions(const std::string& home) {
  NetClient::Options options;
  options.pauseScale = ClientStack::kPace;
  options.logDirectory = home + "/Log";
  return options;
}

}  // namespace

ClientStack::ClientStack(DemoServer& server, std::string phone, const std::string& home, std::string password,
                         bool routeLists)
    : net(fastOptions(home)), context_(std::make_unique<QObject>()) {
  // The program directory of every store in this process.
  setenv("KIV_HOME", home.c_str(), 1);
  store.ResolveProgramPaths();
  store.logins.OpenLoginDatabase();
  defaultAvatarService().setWeb(Endpoint{"127.0.0.1", server.webPort()});

  net.SetServer("127.0.0.1", server.chatPort());
  net.SetAccount(phone, password);
  session.login.phone = std::move(phone);
  session.login.password = std::move(password);
  if (routeLists) {
    router_ = std::make_shared<ListRouter>(*this, context_.get());
    routerHandle_ = ReceiverRegistry::global().add(router_);
    router_->handle = routerHandle_;
    net.setObserver(router_);
    net.setMainAsker(routerHandle_);
  }
}

ClientStack::~ClientStack() {
  net.Shutdown();
  if (routerHandle_ != 0) ReceiverRegistry::global().remove(routerHandle_);
  // Windows the test left registered go before the model's own clean-up.
  model.conversations().destroyAll();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool ClientStack::signIn(bool lists) {
  if (net.Start() != 0) return false;
  if (!router_) return true;
  return waitFor([&] {
    if (router_->refused()) return true;
    return router_->profileArrived() && (!lists || router_->listsArrived());
  }) && !router_->refused();
}

bool ClientStack::answersHandled() {
  auto probe = std::make_shared<AnswerProbe>(context_.get());
  const ReceiverHandle handle = ReceiverRegistry::global().add(probe);
  net.Enqueue(UserInfoRequest{static_cast<std::uint32_t>(userId())}.build(net.newKey()), handle);
  const bool handled = waitFor([&] { return probe->handled.load(); });
  ReceiverRegistry::global().remove(handle);
  return handled;
}

}  // namespace kiv::test
