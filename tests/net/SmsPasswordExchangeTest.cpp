#include "net/SmsPasswordExchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "net/Packet.h"
#include "net/SmsPasswordMessages.h"
#include "support/FakePeer.h"
#include "support/WaitFor.h"

namespace kiv::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class SmsPasswordExchangeTest : public ::testing::Test {
 protected:
  int request(const std::string& phone) {
    SmsPasswordExchange sms({"127.0.0.1", peer.port()}, clock, 300);
    return sms.RequestSmsPassword(phone);
  }
  // Answers with `bytes` built from the request's key.
  void answerWith(std::function<Bytes(const Bytes&)> make) {
    peer.setResponder([make](const Bytes& p) { return std::vector<Bytes>{make(p)}; });
  }

  FakeClock clock{2026, 12, 7, 3, 17, 5};
  FakePeer peer;
};

TEST_F(SmsPasswordExchangeTest, SendsThePhoneAndReturnsTheServersResult) {
  for (const std::uint8_t result : {0, 1, 2, 9}) {
    answerWith([result](const Bytes& p) { return SmsPasswordResponse{result}.build(keyOf(p.data())); });
    EXPECT_EQ(request("13800000000"), result);
  }
  const auto sent = peer.packetsOf(SmsPasswordRequest::kCommand);
  ASSERT_EQ(sent.size(), 4u);
  const Bytes& p = sent[0];
  ASSERT_EQ(p.size(), 45u);
  EXPECT_EQ(getU32(p.data(), 0), 45u);
  EXPECT_EQ(getU32(p.data(), kAccountLowOffset), 0x368B4A00u);
  EXPECT_EQ(getU32(p.data(), kTimeStampOffset), 1207031705u);
  EXPECT_EQ(std::string(p.begin() + 24, p.begin() + 35), "13800000000");
  EXPECT_TRUE(std::all_of(p.begin() + 35, p.end(), [](std::uint8_t b) { return b == 0; }));
  // Its own counter: consecutive exchanges take consecutive numbers.
  EXPECT_EQ(getU32(sent[1].data(), kSequenceOffset), getU32(p.data(), kSequenceOffset) + 1);
}

TEST_F(SmsPasswordExchangeTest, ANumberOfOtherLengthIsMalformedWithoutAsking) {
  EXPECT_EQ(request("1380000000"), 2);
  EXPECT_EQ(request("138000000001"), 2);
  ASSERT_TRUE(waitFor([&] { return peer.connections() == 2; }));
  EXPECT_TRUE(peer.packets().empty());
}

TEST_F(SmsPasswordExchangeTest, AnswersOfTheWrongSizeOrCommandFail) {
  answerWith([](const Bytes& p) {
    Bytes a = SmsPasswordResponse{0}.build(keyOf(p.data()));
    a.pop_back();
    return a;
  });
  EXPECT_EQ(request("13800000000"), SmsPasswordExchange::kBadAnswerLength) << "24 bytes";
  answerWith([](const Bytes& p) {
    Bytes a = SmsPasswordResponse{0}.build(keyOf(p.data()));
    a.push_back(0);
    return a;
  });
  EXPECT_EQ(request("13800000000"), SmsPasswordExchange::kBadAnswerLength) << "26 bytes";
  answerWith([](const Bytes& p) {
    Bytes a = SmsPasswordResponse{0}.build(keyOf(p.data()));
    putU32(a.data(), kCommandOffset, 0x80000001u);
    return a;
  });
  EXPECT_EQ(request("13800000000"), SmsPasswordExchange::kBadAnswerCommand);
  peer.setResponder(nullptr);
  EXPECT_EQ(request("13800000000"), SmsPasswordExchange::kBadAnswerLength) << "no answer at all";
}

TEST_F(SmsPasswordExchangeTest, AnAnswerInTwoPiecesIsJoined) {
  peer.setSplitAt(10);
  answerWith([](const Bytes& p) { return SmsPasswordResponse{1}.build(keyOf(p.data())); });
  EXPECT_EQ(request("13800000000"), 1);
}

TEST_F(SmsPasswordExchangeTest, NoServerIsAConnectFailure) {
  peer.stopListening();
  EXPECT_EQ(request("13800000000"), SmsPasswordExchange::kConnectFailed);
  EXPECT_EQ(request("1380000000"), SmsPasswordExchange::kConnectFailed) << "the connection comes first";
}

}  // namespace
}  // namespace kiv::test
