#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Clock.h"
#include "platform/Pauser.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;

TEST(FakeClock, StandsStillAndAdvancesAcrossTheYear) {
  FakeClock clock(2026, 12, 31, 23, 59, 59);
  std::tm t = clock.localNow();
  EXPECT_EQ(t.tm_mon, 11);
  EXPECT_EQ(t.tm_mday, 31);
  clock.advanceSeconds(1);
  t = clock.localNow();
  EXPECT_EQ(t.tm_year, 2027 - 1900);
  EXPECT_EQ(t.tm_mon, 0);
  EXPECT_EQ(t.tm_mday, 1);
  EXPECT_EQ(t.tm_hour, 0);
}

TEST(Pauser, ScalesPauses) {
  Pauser fast(0.01);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(fast.pause(1000ms));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 9ms);
  EXPECT_LT(took, 500ms);
  EXPECT_EQ(fast.scaled(1ms), 1ms);  // never rounds a pause down to nothing
}

TEST(Pauser, InterruptCutsALongPauseShortUntilReset) {
  Pauser pauser;
  std::thread waker([&] {
    std::this_thread::sleep_for(20ms);
    pauser.interrupt();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(pauser.pause(60s));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  waker.join();
  EXPECT_FALSE(pauser.pause(60s));  // stays interrupted
  pauser.reset();
  EXPECT_TRUE(pauser.pause(1ms));
}

}  // namespace
}  // namespace kiv
