// Chat messages from one account to another: queued, announced by the notice
// poll, fetched oldest first in batches, and refused where they must be.
#include <gtest/gtest.h>

#include "net/FetchMessagesMessages.h"
#include "net/NoticePollMessages.h"
#include "net/SendMessageMessages.h"
#include "net/ShieldGroupMessages.h"
#include "platform/Gbk.h"
#include "server/MessageQueue.h"
#include "server/ServerFixture.h"

namespace kiv::test {
namespace {

class MessageTest : public ServerFixture {};

bool isTwelveDigits(const std::string& text) {
  return text.size() == 12 && text.find_first_not_of("0123456789") == std::string::npos;
}

TEST_F(MessageTest, PrivateMessageThroughNoticePollAndFetch) {
  const auto alice = addUser("阿丽");
  const auto bob = addUser("阿博");
  auto a = signIn(alice);
  auto b = signIn(bob);

  EXPECT_NE(b->ask<NoticePollResponse>(NoticePollRequest{}).status, 0);  // nothing waits yet

  const auto sent = send(*a, ConversationKind::kPrivate, bob, gbk::fromUtf8("你好"));
  EXPECT_EQ(sent.result, SendMessageResponse::kDelivered);
  EXPECT_TRUE(isTwelveDigits(sent.serverTime)) << sent.serverTime;

  const auto poll = b->ask<NoticePollResponse>(NoticePollRequest{});
  EXPECT_EQ(poll.status, 0);
  ASSERT_EQ(poll.notices.size(), 1u);
  EXPECT_FALSE(poll.notices[0].isGroup());
  EXPECT_EQ(poll.notices[0].id, alice);
  EXPECT_EQ(gbk::toUtf8(poll.notices[0].name), "阿丽");

  const auto records = fetch(*b, ConversationKind::kPrivate, alice);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(gbk::toUtf8(records[0].text), "阿丽(私聊):你好");
  EXPECT_EQ(records[0].time, sent.serverTime);
  // Fetched messages leave the queue.
  EXPECT_TRUE(fetch(*b, ConversationKind::kPrivate, alice).empty());
  EXPECT_NE(b->ask<NoticePollResponse>(NoticePollRequest{}).status, 0);
}

TEST_F(MessageTest, ARepeatedSendOrFetchGetsTheFirstAnswerAgainEvenAfterARestart) {
  // A client that got no answer (the connection broke, the server went
  // down) sends the very same request again.
  const auto alice = addUser("阿丽");
  const auto bob = addUser("阿博");
  auto a = signIn(alice);
  auto b = signIn(bob);
  SendMessageRequest message;
  message.kind = ConversationKind::kPrivate;
  message.target = bob;
  message.text = gbk::fromUtf8("只说一次");
  const auto sendPacket = message.build(a->key());
  ASSERT_TRUE(a->sendBytes(sendPacket));
  const auto firstSendAnswer = a->receive();
  ASSERT_TRUE(a->sendBytes(sendPacket));
  EXPECT_EQ(a->receive(), firstSendAnswer);

  FetchMessagesRequest fetchRequest;
  fetchRequest.kind = ConversationKind::kPrivate;
  fetchRequest.id = alice;
  const auto fetchPacket = fetchRequest.build(b->key());
  ASSERT_TRUE(b->sendBytes(fetchPacket));
  const auto firstFetch = b->receive();
  const auto records = FetchMessagesResponse::read(firstFetch.data(), firstFetch.size()).messages;
  ASSERT_EQ(records.size(), 1u) << "queued once, though sent twice";
  EXPECT_EQ(gbk::toUtf8(records[0].text), "阿丽(私聊):只说一次");
  ASSERT_TRUE(b->sendBytes(fetchPacket));
  EXPECT_EQ(b->receive(), firstFetch) << "the same records again, not lost";

  // The answers outlive the server process.
  a.reset();
  b.reset();
  startServer(false);
  a = signIn(alice);
  b = signIn(bob);
  ASSERT_TRUE(a->sendBytes(sendPacket));
  EXPECT_EQ(a->receive(), firstSendAnswer);
  ASSERT_TRUE(b->sendBytes(fetchPacket));
  EXPECT_EQ(b->receive(), firstFetch);
  b->key();  // the client's next request has a sequence number of its own
  EXPECT_TRUE(fetch(*b, ConversationKind::kPrivate, alice).empty()) << "a new fetch finds nothing left";
}

TEST_F(MessageTest, FetchReturnsAtMostFiftySevenOldestFirst) {
  const auto alice = addUser("甲");
  const auto bob = addUser("乙");
  auto a = signIn(alice);
  for (int i = 0; i < 60; ++i) ASSERT_EQ(send(*a, ConversationKind::kPrivate, bob, "m" + std::to_string(i)).result, 0);
  auto b = signIn(bob);
  const auto first = fetch(*b, ConversationKind::kPrivate, alice);
  ASSERT_EQ(first.size(), 57u);
  EXPECT_EQ(first.front().text, gbk::fromUtf8("甲(私聊):") + "m0");
  EXPECT_EQ(first.back().text, gbk::fromUtf8("甲(私聊):") + "m56");
  // The rest is announced again and comes with the next fetch.
  EXPECT_EQ(b->ask<NoticePollResponse>(NoticePollRequest{}).notices.size(), 1u);
  const auto rest = fetch(*b, ConversationKind::kPrivate, alice);
  ASSERT_EQ(rest.size(), 3u);
  EXPECT_EQ(rest.back().text, gbk::fromUtf8("甲(私聊):") + "m59");
}

TEST_F(MessageTest, LongTextArrivesWholeInSameTimeRecords) {
  const auto alice = addUser("长");
  const auto bob = addUser("收");
  auto a = signIn(alice);
  // 1500 two-byte characters: 3000 bytes, more than a record holds.
  std::string text;
  for (int i = 0; i < 1500; ++i) text += gbk::fromUtf8(i % 2 ? "棉" : "木");
  ASSERT_EQ(send(*a, ConversationKind::kPrivate, bob, text).result, 0);
  auto b = signIn(bob);
  const auto records = fetch(*b, ConversationKind::kPrivate, alice);
  ASSERT_GT(records.size(), 1u);
  std::string joined;
  for (const auto& r : records) {
    EXPECT_LT(r.text.size(), MessageRecord::kTextWidth);  // terminated within the field
    EXPECT_EQ(r.time, records[0].time);                   // the client joins same-time records
    joined += r.text;
  }
  EXPECT_EQ(joined, gbk::fromUtf8("长(私聊):") + text);  // no character split, nothing lost
}

TEST_F(MessageTest, GroupMessageReachesMembersButTheSenderAndShielders) {
  const auto owner = addUser("群主");
  const auto member = addUser("成员");
  const auto shielder = addUser("屏蔽者");
  const auto group = admin().createGroup(owner, "测试群");
  admin().addMember(group, member);
  admin().addMember(group, shielder);
  auto o = signIn(owner);
  auto m = signIn(member);
  auto s = signIn(shielder);
  EXPECT_EQ(s->ask<ShieldGroupResponse>(ShieldGroupRequest{group, 1}).result, 0);

  ASSERT_EQ(send(*o, ConversationKind::kGroup, group, "hello").result, 0);
  const auto poll = m->ask<NoticePollResponse>(NoticePollRequest{});
  ASSERT_EQ(poll.notices.size(), 1u);
  EXPECT_TRUE(poll.notices[0].isGroup());
  EXPECT_EQ(poll.notices[0].id, group);
  EXPECT_EQ(gbk::toUtf8(poll.notices[0].name), "测试群");
  const auto records = fetch(*m, ConversationKind::kGroup, group);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(gbk::toUtf8(records[0].text), "群主(群聊):hello");

  EXPECT_TRUE(s->ask<NoticePollResponse>(NoticePollRequest{}).notices.empty());
  EXPECT_TRUE(o->ask<NoticePollResponse>(NoticePollRequest{}).notices.empty());
}

TEST_F(MessageTest, RefusedSends) {
  const auto owner = addUser("主");
  const auto member = addUser("员");
  const auto outsider = addUser("外");
  const auto cancelled = addUser("销");
  admin().cancelUser(cancelled);
  const auto group = admin().createGroup(owner, "广播");
  admin().addMember(group, member);
  store_->groups().updateGroup(group, gbk::fromUtf8("广播"), "", "", 2);
  auto m = signIn(member);
  auto x = signIn(outsider);
  auto o = signIn(owner);

  EXPECT_EQ(send(*m, ConversationKind::kGroup, group, "hi").result, SendMessageResponse::kBroadcastGroup);
  EXPECT_EQ(send(*o, ConversationKind::kGroup, group, "hi").result, SendMessageResponse::kDelivered);
  EXPECT_EQ(send(*x, ConversationKind::kGroup, group, "hi").result, SendMessageResponse::kRemovedFromGroup);
  EXPECT_EQ(send(*x, ConversationKind::kGroup, 424242, "hi").result, SendMessageResponse::kRemovedFromGroup);
  EXPECT_EQ(send(*x, ConversationKind::kPrivate, cancelled, "hi").result, SendMessageResponse::kRecipientCancelled);
  const auto refused = send(*x, ConversationKind::kPrivate, 424242, "hi");
  EXPECT_GT(refused.result, 3);
  EXPECT_TRUE(refused.serverTime.empty() || refused.serverTime == std::string(12, '\0'));
  EXPECT_GT(send(*x, ConversationKind::kPrivate, outsider, "self").result, 3);
  EXPECT_GT(send(*x, ConversationKind{9}, member, "odd kind").result, 3);
  // A removed member learns it from the answer to the next group message.
  store_->members().removeMember(group, member);
  store_->groups().updateGroup(group, gbk::fromUtf8("广播"), "", "", 1);
  EXPECT_EQ(send(*m, ConversationKind::kGroup, group, "hi").result, SendMessageResponse::kRemovedFromGroup);
}

TEST_F(MessageTest, NoticesListOneConversationEachLongestWaitingFirst) {
  const auto me = addUser("收件人");
  const auto x = addUser("X");
  const auto y = addUser("Y");
  auto cx = signIn(x);
  auto cy = signIn(y);
  send(*cy, ConversationKind::kPrivate, me, "1");
  send(*cx, ConversationKind::kPrivate, me, "2");
  send(*cy, ConversationKind::kPrivate, me, "3");
  auto c = signIn(me);
  const auto poll = c->ask<NoticePollResponse>(NoticePollRequest{});
  ASSERT_EQ(poll.notices.size(), 2u);
  EXPECT_EQ(poll.notices[0].id, y);
  EXPECT_EQ(poll.notices[1].id, x);
  EXPECT_EQ(fetch(*c, ConversationKind::kPrivate, y).size(), 2u);
}

TEST(MessagePieces, CutsAtCharacterBoundariesAndDropsNul) {
  using kiv::server::MessageQueue;
  EXPECT_TRUE(MessageQueue::pieces("").empty());
  const std::string a139(139, 'a');
  EXPECT_EQ(MessageQueue::pieces(a139).size(), 1u);
  // 138 ASCII bytes then a two-byte character: the character moves whole.
  const auto split = MessageQueue::pieces(std::string(138, 'a') + "\xD6\xD0");
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(split[0].size(), 138u);
  EXPECT_EQ(split[1], "\xD6\xD0");
  EXPECT_EQ(MessageQueue::pieces(std::string("a\0b", 3)), std::vector<std::string>{"ab"});
}

}  // namespace
}  // namespace kiv::test
