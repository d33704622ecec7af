#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "net/Packet.h"
#include "net/PacketReader.h"
#include "platform/Gbk.h"

namespace kiv {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::tm at(int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(Packet, TimeStampIsMonthDayHourMinuteSecond) {
  EXPECT_EQ(timeStampOf(at(1, 1, 0, 0, 0)), 101000000u);
  EXPECT_EQ(timeStampOf(at(12, 31, 23, 59, 59)), 1231235959u);
  EXPECT_EQ(timeStampOf(at(12, 7, 3, 17, 5)), 1207031705u);
}

TEST(Packet, AccountWordsFromPhone) {
  Bytes p(kHeaderSize);
  writeHeader(p.data(), 24, 7, accountFromPhone("13800000000"), 0, 0);
  EXPECT_EQ(Bytes(p.begin() + 8, p.begin() + 16), (Bytes{0x00, 0x00, 0x00, 0x03, 0x36, 0x8B, 0x4A, 0x00}));
  EXPECT_EQ(accountFromPhone("").low, 0u);
  const AccountWords big = accountFromPhone("18446744073709551615");  // 2^64 - 1
  EXPECT_EQ(big.high, 0xFFFFFFFFu);
  EXPECT_EQ(big.low, 0xFFFFFFFFu);
}

TEST(Packet, RequestLengths) {
  EXPECT_EQ(requestLength(1), 66u);
  EXPECT_EQ(requestLength(3), 28u);
  EXPECT_EQ(requestLength(6), 33u);
  EXPECT_EQ(requestLength(10), 115u);
  EXPECT_EQ(requestLength(13), 0u);
  EXPECT_EQ(requestLength(25), 56u);
  EXPECT_EQ(requestLength(26), 0u);
  EXPECT_EQ(requestLength(0x80000001u), 0u);
}

TEST(Packet, BoundedAndClippedCopiesNeverSplitACharacter) {
  const std::string zhong = gbk::fromUtf8("中");
  // Width 4: bounded keeps at most 3 bytes, clipped at most 4.
  struct Case {
    std::string text;
    std::string bounded;
    std::string clipped;
  };
  const Case cases[] = {
      {"abcdef", "abc", "abcd"},
      {zhong + zhong, zhong, zhong + zhong},
      {"a" + zhong + zhong, "a" + zhong, "a" + zhong},
      {"ab" + zhong, "ab", "ab" + zhong},
      {"abc" + zhong, "abc", "abc"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    Bytes b(8, 0xEE), k(8, 0xEE);
    putBounded(b.data(), 2, 4, c.text);
    putClipped(k.data(), 2, 4, c.text);
    EXPECT_EQ(getText(b.data(), 2, 4), c.bounded);
    EXPECT_EQ(b[2 + c.bounded.size()], 0) << "bounded text is terminated";
    EXPECT_EQ(std::string(k.begin() + 2, k.begin() + 2 + static_cast<long>(c.clipped.size())), c.clipped);
    // Nothing outside the field is touched.
    EXPECT_EQ(b[0], 0xEE);
    EXPECT_EQ(b[6], 0xEE);
    EXPECT_EQ(k[1], 0xEE);
    EXPECT_EQ(k[6], 0xEE);
  }
}

TEST(Packet, GetTextStopsAtNulOrWidth) {
  const Bytes b = {'a', 'b', 0, 'c', 'd', 'e', 'f', 'g'};
  EXPECT_EQ(getText(b.data(), 0, 8), "ab");
  EXPECT_EQ(getText(b.data(), 3, 5), "cdefg");
  EXPECT_EQ(getText(b.data(), 3, 3), "cde");
}

// A packet cut short (or lying about its counts) reads like a zero-padded
// one: nothing is read past its end, an unterminated name stops at the end,
// and a record count never exceeds the whole records present.
TEST(Packet, ReaderNeverReadsPastTheEnd) {
  const Bytes b = {0x12, 0x34, 0x56, 'x', 'y', 'z'};
  const PacketReader r(b.data(), b.size());
  EXPECT_EQ(r.u16(0), 0x1234);
  EXPECT_EQ(r.u32(2), 0x5678797Au);
  EXPECT_EQ(r.u32(4), 0x797A0000u);
  EXPECT_EQ(r.u32(100), 0u);
  EXPECT_EQ(r.text(3, 20), "xyz");
  EXPECT_EQ(r.text(6, 20), "");
  EXPECT_EQ(r.text(1000, 20), "");

  std::uint8_t out[4] = {9, 9, 9, 9};
  r.copy(4, 4, out);
  EXPECT_EQ(Bytes(out, out + 4), (Bytes{'y', 'z', 0, 0}));

  EXPECT_EQ(r.records(3, 0, 2), 3u);
  EXPECT_EQ(r.records(100, 0, 2), 3u);
  EXPECT_EQ(r.records(100, 1, 2), 2u);
  EXPECT_EQ(r.records(-5, 0, 2), 0u);
  EXPECT_EQ(r.records(5, 7, 2), 0u);
  EXPECT_EQ(PacketReader(nullptr, 50).records(5, 0, 1), 0u);
  EXPECT_EQ(PacketReader(nullptr, 50).text(0, 10), "");
}

TEST(Packet, PairingComparesBytes8To23) {
  Bytes request(28, 0), response(25, 0xAA);
  writeHeader(request.data(), 28, 3, accountFromPhone("13800000000"), 1207031705, 42);
  EXPECT_FALSE(pairs(request.data(), response.data()));
  copyKey(request.data(), response.data());
  EXPECT_TRUE(pairs(request.data(), response.data()));
  EXPECT_EQ(response[7], 0xAA);  // the command is not part of the key
  response[23] ^= 1;
  EXPECT_FALSE(pairs(request.data(), response.data()));
}

TEST(Packet, SequenceNumbersFromFourThreadsAreUnique) {
  SequenceCounter counter;
  constexpr int kPerThread = 20000;
  std::vector<std::vector<std::uint32_t>> taken(4);
  std::vector<std::thread> threads;
  for (auto& mine : taken) {
    threads.emplace_back([&counter, &mine] {
      for (int i = 0; i < kPerThread; ++i) mine.push_back(counter.take());
    });
  }
  for (auto& t : threads) t.join();
  std::vector<std::uint32_t> all;
  for (const auto& mine : taken) all.insert(all.end(), mine.begin(), mine.end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
  EXPECT_EQ(all.front(), 1u);
  EXPECT_EQ(all.back(), 4u * kPerThread);
}

TEST(Packet, SmsCounterIsIndependent) {
  const std::uint32_t sms = smsSequence().take();
  processSequence().take();
  processSequence().take();
  EXPECT_EQ(smsSequence().take(), sms + 1);
}

}  // namespace
}  // namespace kiv
