#include <gtest/gtest.h>

#include "NetClientFixture.h"
#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "net/NoticePollMessages.h"

namespace kiv::test {
namespace {

using NetClientTest = NetClientFixture;

std::vector<std::uint32_t> commandsOf(const std::vector<Bytes>& packets) {
  std::vector<std::uint32_t> out;
  for (const auto& p : packets) out.push_back(commandOf(p.data()));
  return out;
}

TEST_F(NetClientTest, SignsInAsksOwnProfileAndKeepsTheCycleSchedule) {
  auto mainWindow = std::make_shared<RecordingReceiver>();
  client->setMainAsker(registry.add(mainWindow));
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  // Through the second group-list turn: counter 0, 1-9, 10, ..., 120.
  ASSERT_TRUE(peer.waitForPackets(GroupListRequest::kCommand, 2, 20s));
  ASSERT_TRUE(peer.waitForPackets(FriendListRequest::kCommand, 2, 10s));
  client->Shutdown();

  auto packets = peer.packets();
  // A slow receive thread may let the sender try a second login before the
  // answer is in; the schedule counts from the login that succeeded.
  std::size_t first = 0;
  while (first + 1 < packets.size() && commandOf(packets[first + 1].data()) == LoginRequest::kCommand) ++first;
  packets.erase(packets.begin(), packets.begin() + static_cast<std::ptrdiff_t>(first));
  const auto commands = commandsOf(packets);
  // Login; counter 0: group list and notice poll; counter 1: the resend pass
  // writes the own profile request and the friend list queued at counter 0;
  // 2-9 have nothing due (the clock stands still); 10, 20 ... 110: notice
  // polls; 120: group list and poll again, and a new friend list. A poll
  // every ten cycles, the list turn included.
  std::vector<std::uint32_t> expected = {1, 19, 7, 3, 15};
  for (int i = 0; i < 11; ++i) expected.push_back(7);
  expected.push_back(19);
  expected.push_back(7);
  expected.push_back(15);
  ASSERT_GE(commands.size(), expected.size());
  EXPECT_EQ(std::vector<std::uint32_t>(commands.begin(), commands.begin() + expected.size()), expected);

  // The polls are the header-only packets stamped with the login: the same
  // bytes every time, the two sequence values following the login's.
  const std::uint32_t loginSequence = getU32(packets[0].data(), kSequenceOffset);
  EXPECT_EQ(packets[1].size(), 24u);
  EXPECT_EQ(getU32(packets[1].data(), kSequenceOffset), loginSequence + 1);
  EXPECT_EQ(getU32(packets[2].data(), kSequenceOffset), loginSequence + 2);
  EXPECT_EQ(packets[2], packets[5]);
  EXPECT_EQ(packets[5], packets[6]);
  EXPECT_EQ(packets[1], packets[16]);
  // Every header carries the account and the (fake) clock's time stamp.
  for (const auto& p : packets) {
    EXPECT_EQ(getU32(p.data(), kAccountHighOffset), 0x00000003u);
    EXPECT_EQ(getU32(p.data(), kAccountLowOffset), 0x368B4A00u);
    EXPECT_EQ(getU32(p.data(), kTimeStampOffset), 1208101500u);
  }
  const auto login = LoginRequest::read(packets[0].data(), packets[0].size());
  EXPECT_EQ(login.phone, "13800000000");
  EXPECT_EQ(login.password, "secret");
  EXPECT_EQ(login.clientVersion, 5);
  // The first own-profile request knows no UserId yet.
  EXPECT_EQ(UserInfoRequest::read(packets[3].data(), packets[3].size()).userId, 0u);

  EXPECT_EQ(observer->logins.load(), 1);
  EXPECT_EQ(observer->ownIdsSeen(), std::vector<std::uint32_t>{777});
  EXPECT_EQ(mainWindow->count(), 0u) << "the peer never answered the friend list";

  const std::string log = logText();
  EXPECT_NE(log.find("2026-12-8 10:15:0  ConnectServer,try num:1,return=0\n"), std::string::npos) << log;
  EXPECT_NE(log.find("2026-12-8 10:15:0  LoginServer,try num:2\n"), std::string::npos) << log;
  EXPECT_NE(log.find("2026-12-8 10:15:0  LoginServer_Resp,nLoginStyle:0\n"), std::string::npos) << log;
}

TEST_F(NetClientTest, ReconnectsWhenThePeerClosesAndAsksTheOwnProfileByItsId) {
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  peer.closeConnection();
  ASSERT_TRUE(waitFor([&] { return peer.connections() == 2; }, 10s));
  ASSERT_TRUE(peer.waitForPackets(UserInfoRequest::kCommand, 2, 10s));
  const auto asks = peer.packetsOf(UserInfoRequest::kCommand);
  EXPECT_EQ(UserInfoRequest::read(asks[1].data(), asks[1].size()).userId, 777u);
  EXPECT_GE(peer.countOf(LoginRequest::kCommand), 2u);
  EXPECT_TRUE(waitFor([&] { return client->loggedIn(); }));
  EXPECT_FALSE(client->stopped());
}

TEST_F(NetClientTest, RefusalsAreToldWithTheirTextAndStop) {
  const std::pair<int, std::string> cases[] = {
      {1, "13800000000手机号未注册"},     {2, "13800000000手机号已经注销"},          {3, "13800000000密码错误"},
      {4, "您的版本过低,请下载最新版本"}, {5, "您已经在其它地方登录,不能重复登录!"},
  };
  for (const auto& [result, text] : cases) {
    SCOPED_TRACE(result);
    loginAnswer = result;
    auto c = makeClient();
    auto seen = std::make_shared<RecordingObserver>();
    c->setObserver(seen);
    ASSERT_EQ(c->Start(), 0);
    ASSERT_TRUE(waitFor([&] { return c->stopped() && seen->endedStates().size() == 1; }));
    EXPECT_EQ(seen->refusals, (std::vector<std::pair<int, std::string>>{{result, text}}));
    EXPECT_EQ(seen->endedStates(), std::vector<LogoutState>{LogoutState::kNone});
    EXPECT_TRUE(c->waitForThreads(5s));
    EXPECT_TRUE(boxes.texts().empty()) << "the observer shows it, not the connection";
  }
}

TEST_F(NetClientTest, UnknownLoginResultShowsNothingAndTriesAgain) {
  loginAnswer = 7;
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(peer.waitForPackets(LoginRequest::kCommand, 2));
  EXPECT_TRUE(boxes.texts().empty());
  EXPECT_FALSE(client->loggedIn());
  loginAnswer = 0;
  ASSERT_TRUE(signedIn());
}

TEST_F(NetClientTest, StopsAfterTheThirteenthAttempt) {
  peer.stopListening();
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(waitFor([&] { return client->stopped(); }, 20s));
  ASSERT_TRUE(client->waitForThreads(5s));
  EXPECT_EQ(observer->endedStates(), std::vector<LogoutState>{LogoutState::kNone});
  const std::string log = logText();
  EXPECT_NE(log.find(" ConnectServer,try num:13,return=-1\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("try num:14"), std::string::npos);
}

TEST_F(NetClientTest, LoginAttemptsWithoutAnswerCountTowardsTheLimit) {
  peer.setResponder([](const Bytes&) { return std::vector<Bytes>{}; });
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(waitFor([&] { return client->stopped(); }, 20s));
  ASSERT_TRUE(client->waitForThreads(5s));
  EXPECT_TRUE(peer.waitForPackets(LoginRequest::kCommand, 12));
  EXPECT_EQ(peer.countOf(LoginRequest::kCommand), 12u) << "one connect and twelve login attempts";
  const std::string log = logText();
  EXPECT_NE(log.find(" LoginServer,try num:13\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("try num:14"), std::string::npos);
}

TEST_F(NetClientTest, UnaskedLogoutMeansSignedInElsewhere) {
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  ASSERT_TRUE(peer.write(LogoutResponse{}.build(client->newKey())));
  ASSERT_TRUE(waitFor([&] { return observer->endedStates().size() == 1; }));
  EXPECT_TRUE(client->stopped());
  EXPECT_EQ(observer->endedStates(), std::vector<LogoutState>{LogoutState::kForcedOffline});
  EXPECT_TRUE(boxes.texts().empty()) << "the observer shows it, not the connection";
  EXPECT_NE(logText().find(" KIV_EXIT_RESP,nLoginOut:0\n"), std::string::npos);
}

TEST_F(NetClientTest, GoingOfflineEndsSilentlyAndStartComesBack) {
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  client->GoOffline(true);
  EXPECT_TRUE(client->stopped());
  ASSERT_TRUE(client->waitForThreads(5s));
  EXPECT_TRUE(observer->endedStates().empty());
  EXPECT_TRUE(boxes.texts().empty());
  EXPECT_TRUE(peer.waitForPackets(LogoutRequest::kCommand, 1));
  EXPECT_EQ(peer.countOf(LogoutRequest::kCommand), 1u);

  // "Online" again: a fresh pair of threads signs in anew.
  ASSERT_EQ(client->Start(), 0);
  EXPECT_FALSE(client->stopped());
  ASSERT_TRUE(peer.waitForPackets(LoginRequest::kCommand, 2));
  EXPECT_TRUE(waitFor([&] { return client->loggedIn(); }));
}

TEST_F(NetClientTest, ClosingLogsOutOnceAndNeverSignsInAgainBeforeShutdown) {
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  client->GoOffline(false);
  ASSERT_TRUE(client->waitForThreads(5s)) << "the threads end instead of connecting again";
  EXPECT_EQ(peer.connections(), 1);
  client->Shutdown();
  EXPECT_TRUE(peer.waitForPackets(LogoutRequest::kCommand, 1));
  EXPECT_EQ(peer.countOf(LogoutRequest::kCommand), 1u) << "Shutdown finds nobody signed in";
  EXPECT_TRUE(observer->endedStates().empty());
}

TEST_F(NetClientTest, StopAbandonsALoginWithoutAWordAndStartTriesAgain) {
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  client->Stop();
  EXPECT_TRUE(client->stopped());
  ASSERT_TRUE(client->waitForThreads(5s));
  EXPECT_EQ(peer.countOf(LogoutRequest::kCommand), 0u);
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(peer.waitForPackets(LoginRequest::kCommand, 2));
  EXPECT_TRUE(waitFor([&] { return client->loggedIn(); }));
}

TEST_F(NetClientTest, NoticesAndGroupListsReachTheObserver) {
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  NoticePollResponse poll;
  MessageNotice a;
  a.kind = ConversationKind::kPrivate;
  a.id = 1000;
  a.name = "kefu";
  MessageNotice b;
  b.kind = ConversationKind::kGroup;
  b.id = 42;
  poll.notices = {a, b};
  NoticePollResponse refused = poll;
  refused.status = 1;
  GroupListResponse groups;
  GroupRecord g;
  g.groupId = 42;
  g.name = "team";
  groups.groups = {g};
  Bytes all = refused.build(client->newKey());
  for (const auto& part : {poll.build(client->newKey()), groups.build(client->newKey())})
    all.insert(all.end(), part.begin(), part.end());
  ASSERT_TRUE(peer.write(all));
  ASSERT_TRUE(waitFor([&] {
    std::lock_guard lock(observer->mutex);
    return observer->groupLists.size() == 1;
  }));
  std::lock_guard lock(observer->mutex);
  ASSERT_EQ(observer->notices.size(), 2u) << "status 1 hands nothing on";
  EXPECT_EQ(observer->notices[0], a);
  EXPECT_EQ(observer->notices[1], b);
  EXPECT_EQ(observer->groupLists[0], groups);
}

TEST_F(NetClientTest, ProfileRefusedAbandonsTheLogin) {
  profileId = 0;
  peer.setResponder([this](const Bytes& p) {
    if (commandOf(p.data()) != UserInfoRequest::kCommand) return serve(p);
    UserInfoResponse none;
    none.status = 1;
    return std::vector<Bytes>{none.build(keyOf(p.data()))};
  });
  auto loginWindow = std::make_shared<RecordingReceiver>();
  client->setLoginAsker(registry.add(loginWindow));
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(waitFor([&] { return client->stopped(); }));
  EXPECT_TRUE(waitFor([&] { return loginWindow->count() == 1; })) << "the login window still hears of it";
  EXPECT_TRUE(observer->ownIdsSeen().empty());
}

}  // namespace
}  // namespace kiv::test
