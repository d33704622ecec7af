#include "platform/Log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "support/TempDir.h"

namespace kiv {
namespace {

std::vector<std::string> linesOf(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST(LogTest, NamesFilesAndStampsWithoutLeadingZerosAndRollsOverAtMidnight) {
  test::TempDir dir;
  const std::string logDir = dir.file("Log");
  FakeClock clock(2010, 6, 9, 23, 59, 59);
  {
    Log log(logDir, clock);
    EXPECT_FALSE(std::filesystem::exists(logDir)) << "nothing is created before the first line";
    EXPECT_EQ(log.timestamp(), "2010-6-9 23:59:59 ");
    log.line() << " LoginServer,try num:" << 1;
    clock.advanceSeconds(1);  // 10 June, 0:00:00
    log.line() << " ConnectServer,try num:" << 2 << ",return=" << 0;
    log.line() << " LoginServer_Resp,nLoginStyle:" << 0;
    clock.set(2010, 6, 10, 8, 5, 9);
    log.line() << " KIV_EXIT_RESP,nLoginOut:" << 2;
  }
  EXPECT_EQ(linesOf(logDir + "/2010-6-9.log"), std::vector<std::string>{"2010-6-9 23:59:59  LoginServer,try num:1"});
  EXPECT_EQ(linesOf(logDir + "/2010-6-10.log"),
            (std::vector<std::string>{"2010-6-10 0:0:0  ConnectServer,try num:2,return=0",
                                      "2010-6-10 0:0:0  LoginServer_Resp,nLoginStyle:0",
                                      "2010-6-10 8:5:9  KIV_EXIT_RESP,nLoginOut:2"}));

  // A restart on the same day appends.
  {
    Log again(logDir, clock);
    again.line() << " ConnectServer,WSAStartup err:" << 3;
  }
  const auto lines = linesOf(logDir + "/2010-6-10.log");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines.back(), "2010-6-10 8:5:9  ConnectServer,WSAStartup err:3");
}

TEST(LogTest, UnwritableDirectoryLosesLinesQuietlyAndRecoversWhenItAppears) {
  test::TempDir dir;
  // The Log directory's parent does not exist, so it cannot be created (one
  // level only).
  const std::string logDir = dir.file("missing/Log");
  FakeClock clock(2026, 1, 2, 3, 4, 5);
  Log log(logDir, clock);
  log.line() << " lost";
  EXPECT_FALSE(std::filesystem::exists(logDir));
  std::filesystem::create_directory(dir.file("missing"));
  log.line() << " kept";
  EXPECT_EQ(linesOf(logDir + "/2026-1-2.log"), std::vector<std::string>{"2026-1-2 3:4:5  kept"});
}

TEST(LogTest, LinesFromManyThreadsStayWhole) {
  test::TempDir dir;
  FakeClock clock(2026, 12, 8, 12, 0, 0);
  constexpr int kThreads = 4, kLines = 300;
  {
    Log log(dir.path(), clock);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&log, t] {
        for (int i = 0; i < kLines; ++i) log.line() << " thread:" << t << ",line:" << i << ",end";
      });
    for (auto& th : threads) th.join();
  }
  const auto lines = linesOf(dir.file("2026-12-8.log"));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
  std::vector<int> next(kThreads, 0);
  for (const auto& l : lines) {
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(l.c_str(), "2026-12-8 12:0:0  thread:%d,line:%d,end", &t, &i), 2) << l;
    ASSERT_TRUE(l.size() > 4 && l.compare(l.size() - 4, 4, ",end") == 0) << l;
    ASSERT_EQ(i, next[t]++) << "lines of one thread keep their order";
  }
}

TEST(LogTest, DefaultDirectoryIsLogUnderTheProgramDirectory) {
  test::TempDir dir;
  test::ScopedEnv home("KIV_HOME", dir.path().c_str());
  Log log;
  EXPECT_EQ(log.directory(), dir.path() + "/Log");
}

}  // namespace
}  // namespace kiv
