// The session controller against the in-process server, with a recording
// view in place of the main window: signing in fills the lists, what waited
// is stored and handed to the view once the sign-in has ended, a group that
// left the list gets no window but keeps its messages, the connection's
// look follows the user and the server, and the end comes once and in order.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "model/SessionController.h"
#include "model/SessionView.h"
#include "model/SignInWindow.h"
#include "support/TempDir.h"
#include "support/session/ClientStack.h"
#include "support/session/DemoServer.h"

namespace kiv::test {
namespace {

constexpr std::uint32_t kZhang = 10001;
constexpr std::uint32_t kLi = 10002;
constexpr std::uint32_t kChen = 10005;
constexpr std::uint32_t kService = 1000;
constexpr std::int32_t kBadminton = 20002;

class RecordingView : public SessionView {
 public:
  struct Arrival {
    ChatCategory category;
    std::int32_t number;
    std::string text;  // the blocks' texts, joined
    bool shown;
  };

  void showConnection(bool online) override { looks.push_back(online); }
  bool showBatch(const MessageService::Address& /*to*/, const MessageService::Batch& /*batch*/) override {
    ++windowsAsked;
    return true;
  }
  void batchArrived(const MessageService::Address& to, const MessageService::Batch& batch, bool shown) override {
    std::string text;
    for (const auto& block : batch.messages.blocks) text += block.text;
    arrivals.push_back({to.category, to.number, text, shown});
  }
  void closeWaitingWindows() override { ++waitingClosed; }

  std::vector<bool> looks;
  std::vector<Arrival> arrivals;
  int windowsAsked = 0;
  int waitingClosed = 0;
};

// Signs in as the login window does: starts the connection and returns once
// the own profile and a friend list are in the model.
class StartingSignIn : public SignInWindow {
 public:
  explicit StartingSignIn(ClientStack& stack) : stack_(stack) {}
  bool runSignIn() override {
    return stack_.net.Start() == 0 &&
           waitFor([&] { return stack_.userId() == static_cast<std::int32_t>(kZhang) && friendLists > 0; });
  }
  void friendListApplied() override { ++friendLists; }

  int friendLists = 0;

 private:
  ClientStack& stack_;
};

// 张小明 with nothing left from the demo's first sign-in, his session
// controller and its recording view.
class SessionControllerTest : public ::testing::Test {
 protected:
  SessionControllerTest() {
    server::Store& store = server.store();
    for (const auto& waiting : store.waiting().waitingConversations(kZhang, 255))
      store.waiting().takeMessages(kZhang, waiting.kind, waiting.id, 255);
    controller.setView(&view);
    controller.setSignInWindow(&signIn);
  }
  ~SessionControllerTest() override { stack.model.conversations().destroyAll(); }

  // The sign-in, and every group's members as the server holds them.
  bool signInWithLists() {
    if (!controller.signIn()) return false;
    server::Store& store = server.store();
    return waitFor([&] {
      const auto groups = store.members().memberships(kZhang);
      if (stack.model.groups().size() != groups.size()) return false;
      for (const auto& group : groups) {
        const GroupEntry* entry = stack.model.findGroup(static_cast<std::int32_t>(group.groupId));
        if (entry == nullptr || entry->members.size() != store.members().memberCount(group.groupId)) return false;
      }
      return true;
    });
  }

  bool waitForArrivals(std::size_t count) {
    return waitFor([&] { return view.arrivals.size() >= count; });
  }

  DemoServer server;
  TempDir home{"kiv-session"};
  ClientStack stack{server, DemoServer::demoPhone(kZhang), home.path(), DemoServer::kPassword, false};
  RecordingView view;
  StartingSignIn signIn{stack};
  SessionController controller{stack.session};
};

TEST_F(SessionControllerTest, SignsInStoresAndHandsOnWhatWaitedAndEndsOnceInOrder) {
  ASSERT_TRUE(server.admin().sendMessage(kLi, "private", kZhang, "lunch tomorrow?"));
  ASSERT_TRUE(server.admin().sendMessage(kService, "private", kZhang, "welcome"));

  ASSERT_TRUE(signInWithLists());
  EXPECT_EQ(stack.model.list(ContactListKind::kFriends).size(), 3);

  controller.afterSignIn();
  ASSERT_TRUE(waitForArrivals(2));
  ASSERT_EQ(view.arrivals.size(), 2u);
  const auto arrivalFrom = [&](std::int32_t number) {
    for (const auto& arrival : view.arrivals)
      if (arrival.number == number) return arrival;
    ADD_FAILURE() << "nothing from " << number;
    return RecordingView::Arrival{};
  };
  const RecordingView::Arrival fromLi = arrivalFrom(kLi);
  EXPECT_EQ(fromLi.category, ChatCategory::kFriend);
  EXPECT_TRUE(fromLi.text.ends_with("):lunch tomorrow?")) << fromLi.text;  // after who said it
  EXPECT_TRUE(fromLi.shown);
  // Nobody the user knows: a stranger from now on.
  EXPECT_EQ(arrivalFrom(kService).category, ChatCategory::kStranger);
  EXPECT_NE(stack.model.findStranger(kService), nullptr);
  EXPECT_EQ(view.windowsAsked, 2);

  // Stored before anything was shown, and gone from the server.
  EXPECT_NE(stack.store.history.ReadUserHistoryPage(kLi, 0).find("lunch tomorrow?"), std::string::npos);
  EXPECT_TRUE(server.store().waiting().waitingConversations(kZhang, 255).empty());

  auto ended = std::make_shared<std::vector<std::string>>();
  stack.model.conversations().addPrivate(kLi, new FakeWindow("li", ended));
  EXPECT_TRUE(controller.end());
  EXPECT_FALSE(controller.end());
  EXPECT_EQ(view.waitingClosed, 1);
  EXPECT_EQ(*ended, std::vector<std::string>{"li"});
  // Signed out: the server lets the connection go; the stranger met in this
  // session is there at the next start.
  EXPECT_TRUE(waitFor([&] { return server.connectionCount() == 0; }));
  ContactModel next;
  next.loadStrangers(stack.store.history);
  EXPECT_NE(next.findStranger(kService), nullptr);
}

TEST_F(SessionControllerTest, AGroupThatLeftTheListGetsNoWindowButItsMessagesAreStoredAndKept) {
  ASSERT_TRUE(signInWithLists());
  controller.afterSignIn();

  // 张小明 leaves 周末羽毛球 while 陈晨's message to it waits for him.
  ASSERT_TRUE(server.admin().sendMessage(kChen, "group", kBadminton, "court 3 at two"));
  ASSERT_TRUE(server.store().members().removeMember(kBadminton, kZhang));
  ASSERT_TRUE(stack.model.removeGroup(kBadminton));
  // The fetch that was on its way when the group went.
  MessageService::Address address;
  address.category = ChatCategory::kGroup;
  address.number = kBadminton;
  controller.messages().fetch(address);

  ASSERT_TRUE(waitForArrivals(1));
  EXPECT_EQ(view.arrivals[0].number, kBadminton);
  EXPECT_FALSE(view.arrivals[0].shown);
  EXPECT_EQ(view.windowsAsked, 0);
  EXPECT_NE(stack.store.history.ReadGroupHistoryPage(kBadminton, 0).find("court 3 at two"), std::string::npos);
  const auto kept = controller.messages().takeKept(ConversationKind::kGroup, kBadminton);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(kept[0].messages.blocks.at(0).text.ends_with("):court 3 at two"));
}

TEST_F(SessionControllerTest, TheLookFollowsTheUserAndTheServerButNotTheGoodbyeOrTheSignIn) {
  // Before the sign-in has ended the login window tells what went wrong.
  controller.connectionEnded(LogoutState::kNone);
  ASSERT_TRUE(signInWithLists());
  controller.afterSignIn();
  controller.connectionEnded(LogoutState::kFinal);  // the user's own goodbye
  EXPECT_TRUE(view.looks.empty());

  controller.goOffline();
  EXPECT_TRUE(stack.net.stopped());
  EXPECT_EQ(view.looks, std::vector<bool>{false});

  ASSERT_TRUE(controller.goOnline());
  ASSERT_TRUE(waitFor([&] { return stack.net.loggedIn(); }));
  EXPECT_FALSE(controller.goOnline());  // already online: nothing happens
  EXPECT_EQ(view.looks, (std::vector<bool>{false, true}));

  // The same account signs in elsewhere: the server ends this session.
  TempDir otherHome{"kiv-session-elsewhere"};
  ClientStack elsewhere(server, DemoServer::demoPhone(kZhang), otherHome.path());
  ASSERT_TRUE(elsewhere.signIn(false));
  ASSERT_TRUE(waitFor([&] { return view.looks.size() == 3; }));
  EXPECT_FALSE(view.looks.back());
}

}  // namespace
}  // namespace kiv::test
