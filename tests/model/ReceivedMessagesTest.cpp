#include "model/ReceivedMessages.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "model/SentMessage.h"
#include "net/Packet.h"
#include "platform/Gbk.h"
#include "storage/HistoryStore.h"
#include "storage/SqliteDatabase.h"
#include "storage/StoreHome.h"

namespace kiv {
namespace {

using Block = ReceivedMessages::Block;
using Row = ReceivedMessages::Row;

const std::string kT1 = "260314090507";
const std::string kT2 = "260314090508";
const std::string kT1Text = "26-03-14 09:05:07";
const std::string kT2Text = "26-03-14 09:05:08";
const std::string kJoinRequest = "\x07\x01";
const std::string kInvitation = "\x07\x02";

FetchMessagesResponse response(std::vector<std::pair<std::string, std::string>> records) {
  FetchMessagesResponse r;
  for (auto& [text, time] : records) r.messages.push_back(MessageRecord{text, time, {}});
  return r;
}

}  // namespace

// Readable failures instead of object bytes.
void PrintTo(const ReceivedMessages::Block& b, std::ostream* os) {
  *os << (b.invitation ? "invitation(" : "message(") << b.time << ", " << ::testing::PrintToString(b.text) << ")";
}
void PrintTo(const ReceivedMessages::Row& r, std::ostream* os) {
  *os << "row(" << ::testing::PrintToString(r.msg) << ", " << r.rtime << ")";
}

namespace {

Block message(const std::string& time, const std::string& text) {
  return Block{time, text, false};
}
Block invitation(const std::string& time, const std::string& text) {
  return Block{time, text, true};
}

TEST(ReceivedMessages, ConsecutiveRecordsOfOneSecondAreOneMessage) {
  auto got = ReceivedMessages::from(response({{"a", kT1}, {"b", kT1}, {"c", kT1}}), ConversationKind::kPrivate);
  EXPECT_EQ(got.blocks, (std::vector<Block>{message(kT1Text, "abc")}));
  EXPECT_EQ(got.rows, (std::vector<Row>{{"abc", kT1Text}}));
  EXPECT_EQ(got.blocks[0].viewText(), "\r\n\r\n26-03-14 09:05:07\r\nabc");

  got = ReceivedMessages::from(response({{"a", kT1}, {"b", kT1}, {"c", kT2}}), ConversationKind::kGroup);
  EXPECT_EQ(got.blocks, (std::vector<Block>{message(kT1Text, "ab"), message(kT2Text, "c")}));
  EXPECT_EQ(got.rows, (std::vector<Row>{{"ab", kT1Text}, {"c", kT2Text}}));

  // Only neighbours join: a second run of the first time is a message of its own.
  got = ReceivedMessages::from(response({{"a", kT1}, {"b", kT2}, {"c", kT1}}), ConversationKind::kPrivate);
  EXPECT_EQ(got.rows, (std::vector<Row>{{"a", kT1Text}, {"b", kT2Text}, {"c", kT1Text}}));
}

TEST(ReceivedMessages, NothingFetchedShowsNothing) {
  const auto got = ReceivedMessages::from(FetchMessagesResponse{}, ConversationKind::kPrivate);
  EXPECT_TRUE(got.empty());
  EXPECT_TRUE(got.rows.empty());
}

TEST(ReceivedMessages, InvitationsAreShownAtOnceAndNeverStored) {
  // A join request in a group window, between two records of one second.
  const auto got = ReceivedMessages::from(
      response({{"a", kT1}, {kJoinRequest + "user[1234] asks to join", kT1}, {"b", kT1}, {"c", kT2}}),
      ConversationKind::kGroup);
  EXPECT_EQ(got.blocks, (std::vector<Block>{invitation(kT1Text, "user[1234] asks to join"), message(kT1Text, "ab"),
                                            message(kT2Text, "c")}));
  EXPECT_EQ(got.rows, (std::vector<Row>{{"ab", kT1Text}, {"c", kT2Text}}));
  EXPECT_EQ(got.blocks[0].viewText(), "\r\n\r\n26-03-14 09:05:07\r\nuser[1234] asks to join,");
  EXPECT_EQ(ReceivedMessages::linkText(), gbk::fromUtf8("同意请点击这里"));

  // An invitation into a group, in a private window; a bare marker is an
  // invitation with no text.
  const auto priv =
      ReceivedMessages::from(response({{kInvitation + "group[88]", kT1}, {kInvitation, kT2}}), ConversationKind::kPrivate);
  EXPECT_EQ(priv.blocks, (std::vector<Block>{invitation(kT1Text, "group[88]"), invitation(kT2Text, "")}));
  EXPECT_TRUE(priv.rows.empty());
  EXPECT_FALSE(priv.empty());
}

TEST(ReceivedMessages, AMarkerWhereALongMessageGoesOnIsText) {
  // A message too long for one record goes on after a full one, in the same
  // second: a marker there is what the sender typed.
  const std::string full(MessageRecord::kTextWidth - 1, 'a');
  for (const auto& [marker, kind] : {std::pair{kJoinRequest, ConversationKind::kGroup}, {kInvitation, ConversationKind::kPrivate}}) {
    const auto got = ReceivedMessages::from(response({{full, kT1}, {marker + "[99]", kT1}}), kind);
    EXPECT_EQ(got.blocks, (std::vector<Block>{message(kT1Text, full + marker + "[99]")}));
    EXPECT_EQ(got.rows, (std::vector<Row>{{full + marker + "[99]", kT1Text}}));
  }
}

TEST(ReceivedMessages, TheOtherKindsMarkerIsOrdinaryText) {
  const std::vector<std::pair<std::string, std::string>> records = {{kInvitation + "group[88]", kT1},
                                                                    {kJoinRequest + "user[7]", kT2}};
  const auto group = ReceivedMessages::from(response(records), ConversationKind::kGroup);
  // The invitation is shown at once, so before the message still pending.
  EXPECT_EQ(group.blocks,
            (std::vector<Block>{invitation(kT2Text, "user[7]"), message(kT1Text, kInvitation + "group[88]")}));
  EXPECT_EQ(group.rows, (std::vector<Row>{{kInvitation + "group[88]", kT1Text}}));

  const auto priv = ReceivedMessages::from(response(records), ConversationKind::kPrivate);
  EXPECT_EQ(priv.blocks,
            (std::vector<Block>{invitation(kT1Text, "group[88]"), message(kT2Text, kJoinRequest + "user[7]")}));
  EXPECT_EQ(priv.rows, (std::vector<Row>{{kJoinRequest + "user[7]", kT2Text}}));

  // A lone lead byte is no marker at all.
  EXPECT_FALSE(ReceivedMessages::from(response({{"\x07", kT1}}), ConversationKind::kGroup).blocks[0].invitation);
}

TEST(ReceivedMessages, TimesAreLaidOutAsTheyStand) {
  EXPECT_EQ(ReceivedMessages::timeText("991231235959"), "99-12-31 23:59:59");
  EXPECT_EQ(ReceivedMessages::timeText("2x0314ab:def"), "2x-03-14 ab::d:ef");  // no date conversion
  EXPECT_EQ(ReceivedMessages::timeText("2603"), "26-03-00 00:00:00");
  EXPECT_EQ(ReceivedMessages::timeText(std::string("26\0"
                                                   "314090507",
                                                   12)),
            "26-00-00 00:00:00");
  EXPECT_EQ(ReceivedMessages::timeText("2603140905071234"), "26-03-14 09:05:07");

  // A record without any time is still shown and stored, never dropped.
  const auto got = ReceivedMessages::from(response({{"no time", ""}, {"later", kT1}}), ConversationKind::kPrivate);
  EXPECT_EQ(got.rows, (std::vector<Row>{{"no time", "00-00-00 00:00:00"}, {"later", kT1Text}}));
}

TEST(ReceivedMessages, WhatArrivesOnTheWireIsReadUpToItsFirstNul) {
  // Through the packet: a full-width unterminated text, and GBK text.
  const std::string full(MessageRecord::kTextWidth, 'x');
  const std::string chinese = gbk::fromUtf8("你好'%s\\");
  const auto packet = response({{full, kT1}, {chinese, kT1}}).build(HeaderKey{});
  const auto got =
      ReceivedMessages::from(FetchMessagesResponse::read(packet.data(), packet.size()), ConversationKind::kGroup);
  EXPECT_EQ(got.rows, (std::vector<Row>{{full + chinese, kT1Text}}));

  // A record made in memory with a NUL inside ends there, as on the wire.
  const auto nul = ReceivedMessages::from(response({{std::string("ab\0cd", 5), kT1}}), ConversationKind::kPrivate);
  EXPECT_EQ(nul.rows, (std::vector<Row>{{"ab", kT1Text}}));
}

TEST(ReceivedMessages, RowsGoToTheTableOfTheConversationKind) {
  test::StoreHome home;
  HistoryStore store;
  ASSERT_TRUE(store.OpenMessageDatabase(10001));
  const auto fetched = response({{"a", kT1}, {"b", kT1}, {kJoinRequest + "[5]", kT2}, {"c", kT2}});

  EXPECT_TRUE(ReceivedMessages::from(fetched, ConversationKind::kGroup).store(store, ConversationKind::kGroup, 300));
  EXPECT_EQ(store.ReadGroupHistoryPage(300, 0), "\r\n\r\n" + kT2Text + "\r\nc\r\n\r\n" + kT1Text + "\r\nab");
  EXPECT_EQ(store.ReadUserHistoryPage(300, 0), "");

  // In a private window the join-request marker is ordinary text: 2 rows.
  EXPECT_TRUE(ReceivedMessages::from(fetched, ConversationKind::kPrivate).store(store, ConversationKind::kPrivate, 300));
  EXPECT_EQ(store.ReadUserHistoryPage(300, 0),
            "\r\n\r\n" + kT2Text + "\r\n" + kJoinRequest + "[5]c\r\n\r\n" + kT1Text + "\r\nab");
}

TEST(SentMessage, EchoCarriesThePrefixAndTheTimeAndIsStoredAsGbk) {
  std::tm when{};
  when.tm_year = 126;
  when.tm_mon = 2;
  when.tm_mday = 4;
  when.tm_hour = 7;
  when.tm_min = 8;
  when.tm_sec = 9;
  const auto priv = SentMessage::make(ConversationKind::kPrivate, "hi 'there'", when);
  EXPECT_EQ(priv.time, "26-03-04 07:08:09");
  EXPECT_EQ(priv.text, "\xce\xd2(\xcb\xbd\xc1\xc4):hi 'there'");  // 我(私聊):
  EXPECT_EQ(priv.viewText(), "\r\n\r\n26-03-04 07:08:09\r\n" + priv.text);
  const auto group = SentMessage::make(ConversationKind::kGroup, "x", when);
  EXPECT_EQ(group.text, "\xce\xd2(\xc8\xba\xc1\xc4):x");  // 我(群聊):

  test::StoreHome home;
  HistoryStore store;
  ASSERT_TRUE(store.OpenMessageDatabase(10001));
  EXPECT_TRUE(priv.store(store, ConversationKind::kPrivate, 42));
  EXPECT_TRUE(group.store(store, ConversationKind::kGroup, 42));
  SqliteDatabase raw;
  ASSERT_TRUE(raw.open(home.path() + "10001/MsgEx.db"));
  const auto rows = raw.query("select msg, rtime from msg_user where id=42");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0]->substr(0, 9), "\xce\xd2\x28\xcb\xbd\xc1\xc4\x29\x3a");
  EXPECT_EQ(*rows[0][1], "26-03-04 07:08:09");
  EXPECT_EQ(raw.query("select msg from msg_group where id=42").size(), 1u);
}

}  // namespace
}  // namespace kiv
