// One signed-in account trying to make the server store or write without
// end: the send quota, the caps on what waits for one recipient, and the
// bounded table of kept answers.
#include "net/SendMessageMessages.h"
#include "security/SecurityFixture.h"

namespace kiv::test {
namespace {

class AmplificationTest : public SecurityTest {
 protected:
  int send(RawClient& from, ConversationKind kind, std::uint32_t to, const std::string& text) {
    return ServerFixture::send(from, kind, to, text).result;
  }
};

TEST_F(AmplificationTest, ASenderGetsABurstThenASteadyRateWhileOthersStillSend) {
  startServer(false, [](server::ServerOptions& o) {
    o.quotas.sendBurst = 5;
    o.quotas.sendPerSecond = 10;
  });
  const auto flooder = addUser("刷屏");
  const auto genuine = addUser("正常");
  const auto target = addUser("收件人");
  auto f = signIn(flooder);
  auto g = signIn(genuine);
  int delivered = 0;
  whileAttacking(
      [&] {
        for (int i = 0; i < 8; ++i) delivered += send(*f, ConversationKind::kPrivate, target, "x") == 0 ? 1 : 0;
      },
      [&] { EXPECT_EQ(send(*g, ConversationKind::kPrivate, target, "hello"), 0); });
  EXPECT_GE(delivered, 5);
  EXPECT_LT(delivered, 8);
  // The allowance comes back at the steady rate.
  EXPECT_TRUE(waitFor([&] { return send(*f, ConversationKind::kPrivate, target, "later") == 0; },
                      std::chrono::seconds(2), std::chrono::milliseconds(20)));
}

TEST_F(AmplificationTest, ABigGroupMessageCostsItsRecordsAndFullQueuesAreLeftOut) {
  startServer(false, [](server::ServerOptions& o) {
    o.quotas.rowsBurst = 40;
    o.quotas.rowsPerSecond = 0.001;
    o.quotas.waitingRows = 50;
  });
  const auto owner = addUser("群主");
  const auto full = addUser("满了");
  const auto member = addUser("成员");
  const auto group = admin().createGroup(owner, "大群");
  admin().addMember(group, full);
  admin().addMember(group, member);
  auto o = signIn(owner);
  // 50 waiting records fill one member's queue.
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(admin().sendMessage(owner, "private", full, "filler"));
  EXPECT_EQ(send(*o, ConversationKind::kPrivate, full, "one more"), 4);

  // 3000 bytes make 22 records for each of the two others, one left out.
  const std::string longText(3000, 'z');
  EXPECT_EQ(send(*o, ConversationKind::kGroup, group, longText), 0);
  EXPECT_EQ(store_->waiting().waitingTotals(member).records, 22u);
  EXPECT_EQ(store_->waiting().waitingTotals(full).records, 50u);
  EXPECT_TRUE(server_->log().contains("full queue left out"));
  // The next one would pass the sender's allowance of records.
  EXPECT_EQ(send(*o, ConversationKind::kGroup, group, longText), 4);
  EXPECT_EQ(store_->waiting().waitingTotals(member).records, 22u);
}

TEST_F(AmplificationTest, KeptAnswersStayBoundedPerUser) {
  startServer(false, [](server::ServerOptions& o) { o.quotas.keptAnswers = 8; });
  const auto sender = addUser("发件人");
  const auto target = addUser("收件人");
  auto s = signIn(sender);
  for (int i = 0; i < 30; ++i) ASSERT_EQ(send(*s, ConversationKind::kPrivate, target, "m" + std::to_string(i)), 0);
  EXPECT_EQ(store_->answers().keptAnswerCount(sender), 8u);
}

}  // namespace
}  // namespace kiv::test
