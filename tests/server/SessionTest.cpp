// Sign-in, refusals, sign-out, the SMS password and the forced sign-out by a
// second sign-in, against a real server on a loopback port.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "net/FriendListMessages.h"
#include "net/LoginMessages.h"
#include "net/LogoutMessages.h"
#include "net/NoticePollMessages.h"
#include "net/SmsPasswordMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/Gbk.h"
#include "server/ServerFixture.h"
#include "support/WaitFor.h"

namespace kiv::test {
namespace {

class SessionTest : public ServerFixture {};

TEST_F(SessionTest, SignInAndEveryRefusal) {
  const auto id = addUser("小明");
  const auto cancelled = addUser("已注销");
  ASSERT_TRUE(admin().cancelUser(cancelled));

  RawClient refused(server_->chatPort());
  EXPECT_EQ(refused.login("13911112222", "pw"), LoginResponse::kNotRegistered);
  EXPECT_EQ(refused.login(phoneOf(cancelled), "pw"), LoginResponse::kCancelled);
  EXPECT_EQ(refused.login(phoneOf(id), "wrong"), LoginResponse::kWrongPassword);
  EXPECT_EQ(refused.login(phoneOf(id), ""), LoginResponse::kWrongPassword);
  EXPECT_TRUE(refused.closedByServer());  // the third failure on one connection

  RawClient client(server_->chatPort());
  EXPECT_EQ(client.login(phoneOf(id), "pw", 4), LoginResponse::kVersionTooOld);
  EXPECT_EQ(client.login(phoneOf(id), "pw"), LoginResponse::kLoggedIn);
  // The NetClient repeats its login until the answer arrives; a repeat on the
  // same connection is simply accepted again.
  EXPECT_EQ(client.login(phoneOf(id), "pw"), LoginResponse::kLoggedIn);
  EXPECT_EQ(server_->signedInCount(), 1u);
}

TEST_F(SessionTest, ServiceAccountExistsButCannotSignInWithoutPassword) {
  auto service = store_->accounts().account(1000);
  ASSERT_TRUE(service);
  EXPECT_EQ(gbk::toUtf8(service->nickname), "木棉客服");
  RawClient client(server_->chatPort());
  EXPECT_EQ(client.login(service->phone, ""), LoginResponse::kWrongPassword);
}

TEST_F(SessionTest, RequestsBeforeSignInGetNoAnswerAndLogoutIsAlwaysAnswered) {
  RawClient client(server_->chatPort(), "13900000000");
  ASSERT_TRUE(client.sendBytes(FriendListRequest{}.build(client.key())));
  EXPECT_TRUE(client.receive(300).empty());
  client.ask<LogoutResponse>(LogoutRequest{});
  EXPECT_FALSE(client.closedByServer(100));
}

TEST_F(SessionTest, OwnProfileForUserIdZeroAndOthersByNumber) {
  const auto me = addUser("自己");
  const auto other = addUser("别人");
  store_->accounts().updateProfile(other, gbk::fromUtf8("别人"), gbk::fromUtf8("女"), gbk::fromUtf8("简介"),
                                   "19991231");
  store_->accounts().setExtras(other, 42, gbk::fromUtf8("杭州"));
  auto client = signIn(me);

  const auto own = client->ask<UserInfoResponse>(UserInfoRequest{0});
  EXPECT_EQ(own.status, 0);
  EXPECT_EQ(own.userId, me);
  EXPECT_EQ(gbk::toUtf8(own.nickname), "自己");
  EXPECT_EQ(gbk::toUtf8(own.sex), "保密");
  EXPECT_EQ(own.birthday, "");

  const auto theirs = client->ask<UserInfoResponse>(UserInfoRequest{other});
  EXPECT_EQ(theirs.userId, other);
  EXPECT_EQ(gbk::toUtf8(theirs.sex), "女");
  EXPECT_EQ(gbk::toUtf8(theirs.city), "杭州");
  EXPECT_EQ(theirs.points, 42);
  EXPECT_EQ(theirs.birthday, "19991231");

  EXPECT_NE(client->ask<UserInfoResponse>(UserInfoRequest{987654}).status, 0);
}

TEST_F(SessionTest, SecondSignInSignsTheFirstOutWithAnUnaskedLogout) {
  const auto id = addUser("两处登录");
  auto first = signIn(id);
  auto second = signIn(id);
  ASSERT_TRUE(waitFor([&] { return server_->log().contains("signed in elsewhere"); }));
  // A poll the first client wrote before it read the goodbye costs it
  // nothing: the goodbye is still there to read.
  ASSERT_TRUE(first->sendBytes(NoticePollRequest{}.build(first->key())));

  const auto unasked = first->receive();
  ASSERT_GE(unasked.size(), kHeaderSize);
  EXPECT_EQ(commandOf(unasked.data()), LogoutResponse::kCommand);
  EXPECT_TRUE(first->closedByServer());
  // The second connection carries on.
  EXPECT_EQ(second->ask<UserInfoResponse>(UserInfoRequest{0}).userId, id);
  EXPECT_EQ(server_->signedInCount(), 1u);
  EXPECT_TRUE(server_->log().contains("signed in again"));
}

TEST_F(SessionTest, RefuseSecondLoginKeepsTheFirstConnection) {
  startServer(true);
  const auto id = addUser("只登一次");
  auto first = signIn(id);
  RawClient second(server_->chatPort());
  EXPECT_EQ(second.login(phoneOf(id), "pw"), LoginResponse::kLoggedInElsewhere);
  EXPECT_EQ(first->ask<UserInfoResponse>(UserInfoRequest{0}).userId, id);

  // After the first signs out, the account may sign in again.
  first->ask<LogoutResponse>(LogoutRequest{});
  EXPECT_EQ(second.login(phoneOf(id), "pw"), LoginResponse::kLoggedIn);
}

TEST_F(SessionTest, SignOutByClosingFreesTheAccount) {
  startServer(true);
  const auto id = addUser("断线");
  { auto first = signIn(id); }
  // The close reaches the server asynchronously; the next sign-in must not
  // see a stale session for long.
  int result = -1;
  for (int i = 0; i < 50 && result != 0; ++i) {
    RawClient again(server_->chatPort());
    result = again.login(phoneOf(id), "pw");
    if (result != 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(result, 0);
}

TEST_F(SessionTest, SmsPasswordResultsAndTheLoggedText) {
  const auto id = addUser("短信");
  RawClient client(server_->chatPort());
  SmsPasswordRequest request;
  request.phone = phoneOf(id);
  auto key = client.key();
  client.sendBytes(request.build(key));
  auto answer = client.receive();
  ASSERT_EQ(answer.size(), SmsPasswordResponse::kLength);  // the client reads exactly 25 bytes
  EXPECT_EQ(SmsPasswordResponse::read(answer.data(), answer.size()).result, SmsPasswordResponse::kSent);
  EXPECT_TRUE(server_->log().contains("SMS to " + phoneOf(id) + ":"));
  for (const auto& line : server_->log().lines()) EXPECT_EQ(line.find("pw"), std::string::npos) << line;

  request.phone = "13912345678";
  EXPECT_EQ(client.ask<SmsPasswordResponse>(request).result, SmsPasswordResponse::kNotAUser);
  request.phone = "1391234";
  EXPECT_EQ(client.ask<SmsPasswordResponse>(request).result, SmsPasswordResponse::kMalformedNumber);
  request.phone = "1391234567x";
  EXPECT_EQ(client.ask<SmsPasswordResponse>(request).result, SmsPasswordResponse::kMalformedNumber);
}

TEST_F(SessionTest, AdminChangesWhileServingTakeEffectAtTheNextRequest) {
  const auto a = addUser("甲");
  auto client = signIn(a);
  EXPECT_TRUE(client->ask<FriendListResponse>(FriendListRequest{}).friends.empty());
  const auto b = addUser("乙");  // added by "another process" while serving
  ASSERT_TRUE(admin().addFriend(a, b));
  const auto list = client->ask<FriendListResponse>(FriendListRequest{});
  ASSERT_EQ(list.friends.size(), 1u);
  EXPECT_EQ(list.friends[0].userId, b);
}

}  // namespace
}  // namespace kiv::test
