#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "NetClientFixture.h"
#include "net/RequestTable.h"

namespace kiv::test {
namespace {

Bytes request(std::uint32_t sequence, std::uint32_t length = 28) {
  Bytes p(length, 0);
  writeHeader(p.data(), length, 3, HeaderKey{{3, 0x368B4A00}, 1208101500, sequence});
  return p;
}

Bytes answerTo(const Bytes& req) {
  Bytes a(25, 0);
  writeHeader(a.data(), 25, 0x80000003u, keyOf(req.data()));
  return a;
}

TEST(RequestTableTest, EnqueueChecksLengthAndAskerAndDropsWhenFull) {
  RequestTable table;
  const Bytes big(9013, 0);
  EXPECT_EQ(table.enqueue(23, 1, big.data()), -1);
  EXPECT_EQ(table.enqueue(9013, 1, big.data()), -1);
  EXPECT_EQ(table.enqueue(28, 0, request(1).data()), -2);
  EXPECT_EQ(table.inUse(), 0);
  for (std::uint32_t i = 0; i < 50; ++i) ASSERT_EQ(table.enqueue(28, 1, request(i).data()), 0);
  EXPECT_EQ(table.enqueue(28, 1, request(50).data()), 0) << "a full table still answers 0";
  EXPECT_EQ(table.inUse(), 50);
  PendingRequest out;
  EXPECT_FALSE(table.takeAnswered(answerTo(request(50)).data(), out)) << "the 51st was dropped";
  EXPECT_TRUE(table.takeAnswered(answerTo(request(49)).data(), out));
  EXPECT_EQ(out.length, 28);
  EXPECT_EQ(std::memcmp(out.packet, request(49).data(), 28), 0);
  EXPECT_EQ(table.inUse(), 49);
  // 9012 is the largest packet and is taken.
  EXPECT_EQ(table.enqueue(9012, 1, Bytes(9012, 0).data()), 0);
  EXPECT_EQ(table.inUse(), 50);
}

TEST(RequestTableTest, FiveWritesThenTheSlotIsFreeButALateAnswerStillPairsUntilReuse) {
  RequestTable table;
  auto due = std::make_unique<PendingRequest[]>(RequestTable::kSlots);
  ASSERT_EQ(table.enqueue(28, 7, request(1).data()), 0);
  std::int32_t now = 1208101510;  // 10:15:10
  // A repeat is due once the stamp grew by 30, which comes early when the
  // stamp jumps at a minute boundary (..1540 + 30 = ..1570 < ..1600).
  const std::int32_t writes[] = {1208101510, 1208101540, 1208101600, 1208101630, 1208101700};
  int written = 0;
  for (int step = 0; step < 40; ++step, now += 5) {
    if (now % 100 == 60) now += 40;  // the time stamp jumps from ..59 to ..100
    const int n = table.due(now, due.get());
    if (n == 0) continue;
    ASSERT_EQ(n, 1);
    ASSERT_LT(written, 5) << "never more than five writes";
    EXPECT_EQ(now, writes[written]) << "write " << written;
    EXPECT_EQ(due[0].tries, written) << "the copy shows the slot before the write";
    table.written(due[0], now);
    ++written;
  }
  EXPECT_EQ(written, 5);
  EXPECT_EQ(table.inUse(), 0);

  PendingRequest out;
  EXPECT_TRUE(table.takeAnswered(answerTo(request(1)).data(), out)) << "a late answer still pairs";
  EXPECT_EQ(out.asker, 7u);
  EXPECT_FALSE(table.takeAnswered(answerTo(request(1)).data(), out)) << "and frees the slot";

  // Once a new request has taken the slot, the old answer pairs with nothing.
  ASSERT_EQ(table.enqueue(28, 7, request(2).data()), 0);
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(table.due(1208110000 + 100 * i, due.get()), 1);
    table.written(due[0], 1208110000 + 100 * i);
  }
  ASSERT_EQ(table.enqueue(28, 8, request(3).data()), 0);
  EXPECT_FALSE(table.takeAnswered(answerTo(request(2)).data(), out));
  EXPECT_TRUE(table.takeAnswered(answerTo(request(3)).data(), out));
  EXPECT_EQ(out.asker, 8u);
}

TEST(RequestTableTest, OnlyWritesThatHappenedCountSoAPassCutShortLosesNothing) {
  // Three messages typed while the server was away go out in one pass, one
  // a second; the connection breaks after the first.
  RequestTable table;
  auto due = std::make_unique<PendingRequest[]>(RequestTable::kSlots);
  for (std::uint32_t i = 1; i <= 3; ++i) ASSERT_EQ(table.enqueue(28, 7, request(i).data()), 0);
  std::int32_t now = 1208101510;
  ASSERT_EQ(table.due(now, due.get()), 3);
  table.written(due[0], now);
  // Back online a few seconds later: the two never written go out at once,
  // the written one waits for its repeat.
  now += 5;
  ASSERT_EQ(table.due(now, due.get()), 2);
  EXPECT_EQ(std::memcmp(due[0].packet, request(2).data(), 28), 0);
  EXPECT_EQ(due[0].tries, 0);
  // However many passes a flapping connection cuts short, a request is
  // given up only after five real writes.
  for (int pass = 0; pass < 20; ++pass) ASSERT_EQ(table.due(now, due.get()), 2);
  std::map<std::uint32_t, int> writes;  // by sequence number
  for (int pass = 0; pass < 10; ++pass) {
    now += 100;
    const int n = table.due(now, due.get());
    for (int i = 0; i < n; ++i) {
      table.written(due[i], now);
      ++writes[keyOf(due[i].packet).sequence];
    }
  }
  EXPECT_EQ(writes[1], 4) << "written once before the break";
  EXPECT_EQ(writes[2], 5);
  EXPECT_EQ(writes[3], 5);
  EXPECT_EQ(table.inUse(), 0);
  // An answer that frees a slot during the pass leaves nothing to count.
  ASSERT_EQ(table.enqueue(28, 7, request(4).data()), 0);
  ASSERT_EQ(table.due(now, due.get()), 1);
  PendingRequest answered;
  ASSERT_TRUE(table.takeAnswered(answerTo(request(4)).data(), answered));
  EXPECT_EQ(table.inUse(), 0) << "answered: not written again";
  ASSERT_EQ(table.enqueue(28, 8, request(5).data()), 0);  // the same slot, another request
  table.written(due[0], now);
  ASSERT_EQ(table.due(now, due.get()), 1) << "the new request is still due";
  EXPECT_EQ(due[0].tries, 0);
}

TEST(RequestTableTest, DeadlinesSurviveNewYearAndMinuteJumps) {
  // Written at 10:15:50: due again at 10:16:00, which is ..101600 >= ..101580.
  EXPECT_FALSE(RequestTable::isDue(1208101579, 1208101580));
  EXPECT_TRUE(RequestTable::isDue(1208101600, 1208101580));
  // Written at 31 December 23:59:50; after midnight the stamp restarts at 101000000.
  EXPECT_TRUE(RequestTable::isDue(101000005, 1231235950 + 30));
  EXPECT_FALSE(RequestTable::isDue(1231235955, 1231235950 + 30));
  // A fresh request is due at once.
  EXPECT_TRUE(RequestTable::isDue(101000000, 0));
}

using NetClientTableTest = NetClientFixture;

TEST_F(NetClientTableTest, QueuedBeforeLoginIsSentFiveTimesAndALateAnswerIsStillDelivered) {
  auto window = std::make_shared<RecordingReceiver>();
  const ReceiverHandle asker = registry.add(window);
  // Not answered by the peer: a profile of somebody else (command 3 is
  // answered, so use 9, the group profile).
  Bytes ask(28, 0);
  writeHeader(ask.data(), 28, 9, client->newKey());
  ASSERT_EQ(client->Enqueue(ask, asker), 0);
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  for (std::size_t n = 1; n <= 5; ++n) {
    ASSERT_TRUE(peer.waitForPackets(9, n)) << n;
    clock.advanceSeconds(30);
  }
  // Plenty of resend passes later there is still no sixth write.
  ASSERT_TRUE(peer.waitForPackets(7, 3));
  clock.advanceSeconds(30);
  ASSERT_TRUE(peer.waitForPackets(7, 5));
  EXPECT_EQ(peer.countOf(9), 5u);
  for (const auto& p : peer.packetsOf(9)) EXPECT_EQ(p, ask);

  Bytes late(30, 0);
  writeHeader(late.data(), 30, 0x80000009u, keyOf(ask.data()));
  ASSERT_TRUE(peer.write(late));
  ASSERT_TRUE(waitFor([&] { return window->count() == 1; }));
  std::lock_guard lock(window->mutex);
  EXPECT_EQ(window->calls[0].command, 0x80000009u);
  EXPECT_EQ(window->calls[0].request, ask);
  EXPECT_EQ(Bytes(window->calls[0].response.begin(), window->calls[0].response.begin() + 30), late);
}

TEST_F(NetClientTableTest, AnswersGoToTheirOwnAskerAndStrayOrOrphanedOnesAreDropped) {
  auto first = std::make_shared<RecordingReceiver>();
  auto closed = std::make_shared<RecordingReceiver>();
  const ReceiverHandle firstHandle = registry.add(first);
  const ReceiverHandle closedHandle = registry.add(closed);
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  Bytes a(28, 0), b(28, 0);
  writeHeader(a.data(), 28, 21, client->newKey());
  writeHeader(b.data(), 28, 21, client->newKey());  // same second, next sequence
  ASSERT_EQ(client->Enqueue(a, firstHandle), 0);
  ASSERT_EQ(client->Enqueue(b, closedHandle), 0);
  ASSERT_TRUE(peer.waitForPackets(21, 2));
  registry.remove(closedHandle);  // the window closed meanwhile

  auto answer = [](const Bytes& req) {
    Bytes r(25, 0);
    writeHeader(r.data(), 25, 0x80000015u, keyOf(req.data()));
    return r;
  };
  Bytes stray = answer(a);
  putU32(stray.data(), kSequenceOffset, 999999);
  Bytes all = stray;
  for (const auto& r : {answer(b), answer(a)}) all.insert(all.end(), r.begin(), r.end());
  ASSERT_TRUE(peer.write(all));
  ASSERT_TRUE(waitFor([&] { return first->count() == 1; }));
  ASSERT_TRUE(waitFor([&] { return client->pendingRequests() == 0; }));
  EXPECT_EQ(closed->count(), 0u);
  std::lock_guard lock(first->mutex);
  EXPECT_EQ(first->calls[0].request, a);
}

}  // namespace
}  // namespace kiv::test
