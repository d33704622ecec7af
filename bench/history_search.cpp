// Searching the whole history of an account with 1,000,000 stored messages
// (private and group, Chinese and Latin, 200 conversations): the time to
// build the index and its size, the time to the first page of hits for 100
// different queries (aim: p99 under 50 ms), and the time to store a received
// batch of 10 messages and bring the index up to date (aim: under 10 ms).
//
//   bench_history_search [messages] [directory]
//
// The directory (default: a new one under $TMPDIR or /tmp) should be on the
// disk the program's data would be on: the batch figures include its syncs.

#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Gbk.h"
#include "storage/HistorySearchIndex.h"
#include "storage/LocalStores.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int32_t kAccount = 10001;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const std::vector<std::string> kChinese = {
    "你好",   "今天", "明天",   "天气", "开会",   "项目", "计划", "北京", "上海", "广州",   "吃饭",   "晚上",
    "周末",   "电影", "朋友",   "公司", "同事",   "老板", "文件", "发给", "我们", "你们",   "他们",   "已经",
    "还没",   "可以", "不行",   "谢谢", "没问题", "好的", "马上", "下午", "早上", "会议室", "报告",   "数据",
    "服务器", "客户", "合同",   "价格", "快递",   "地址", "电话", "号码", "生日", "快乐",   "红包",   "照片",
    "视频",   "音乐", "火车站", "飞机", "机场",   "酒店", "预订", "取消", "确认", "收到",   "木棉花", "茶叶"};
const std::vector<std::string> kLatin = {
    "meeting", "report", "server", "deploy", "release", "budget", "invoice", "weekend", "coffee", "ticket",
    "OK",      "thanks", "please", "call",   "email",   "update", "build",   "merge",   "review", "design",
    "Beijing", "Linux",  "backup", "photo",  "video",   "music",  "travel",  "hotel",   "flight", "cancel"};

// Texts as stored: GBK, 3 to 12 words, now and then a Latin word or two.
std::vector<std::string> makeTexts(int count, std::mt19937& random) {
  std::vector<std::string> texts;
  texts.reserve(static_cast<std::size_t>(count));
  std::uniform_int_distribution<int> words(3, 12), chinese(0, static_cast<int>(kChinese.size()) - 1),
      latin(0, static_cast<int>(kLatin.size()) - 1), coin(0, 9);
  for (int i = 0; i < count; ++i) {
    std::string utf8;
    for (int w = words(random); w > 0; --w) {
      utf8 += coin(random) < 8 ? kChinese[static_cast<std::size_t>(chinese(random))]
                               : " " + kLatin[static_cast<std::size_t>(latin(random))] + " ";
    }
    texts.push_back(kiv::gbk::fromUtf8(utf8));
  }
  return texts;
}

void check(sqlite3* db, int rc, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE) throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

std::string timeText(std::time_t when) {
  std::tm utc{};
  gmtime_r(&when, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%y-%m-%d %H:%M:%S", &utc);
  return text;
}

// Fills the tables LocalStores made: one row every 30 seconds, one in seven
// in one of 20 groups, the rest with one of 180 friends.
void fillHistory(const std::string& file, int rows) {
  std::mt19937 random(24);
  const auto texts = makeTexts(20000, random);
  sqlite3* db = nullptr;
  check(db, sqlite3_open(file.c_str(), &db), "open");
  check(db, sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), "begin");
  sqlite3_stmt* insert[2] = {};
  check(db, sqlite3_prepare_v2(db, "insert into msg_user (id,msg,rtime) values (?,?,?)", -1, &insert[0], nullptr), "u");
  check(db, sqlite3_prepare_v2(db, "insert into msg_group (id,msg,rtime) values (?,?,?)", -1, &insert[1], nullptr),
        "g");
  std::uniform_int_distribution<int> pick(0, static_cast<int>(texts.size()) - 1), kind(0, 6), who(0, 179);
  for (int i = 0; i < rows; ++i) {
    const bool group = kind(random) == 0;
    sqlite3_stmt* stmt = insert[group ? 1 : 0];
    const std::string& text = texts[static_cast<std::size_t>(pick(random))];
    const std::string rtime = timeText(1'600'000'000 + static_cast<std::time_t>(i) * 30);
    sqlite3_bind_int(stmt, 1, group ? 20000 + who(random) % 20 : 10002 + who(random));
    sqlite3_bind_text(stmt, 2, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    sqlite3_bind_text(stmt, 3, rtime.c_str(), -1, SQLITE_TRANSIENT);
    check(db, sqlite3_step(stmt), "insert");
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(insert[0]);
  sqlite3_finalize(insert[1]);
  check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), "commit");
  sqlite3_close(db);
}

// 100 different queries a user might type: words of the history (two
// characters and more, Chinese and Latin), pairs of words that may or may
// not occur together, single characters, and words that occur nowhere.
std::vector<std::string> makeQueries() {
  std::vector<std::string> queries;
  std::set<std::string> seen;
  const auto add = [&](const std::string& q) {
    if (queries.size() < 100 && seen.insert(q).second) queries.push_back(q);
  };
  for (std::size_t i = 0; i < 40; ++i) add(kChinese[i]);
  for (std::size_t i = 0; i < 20; ++i) add(kLatin[i]);
  for (std::size_t i = 0; i < 20; ++i) add(kChinese[i] + kChinese[(i * 7 + 3) % kChinese.size()]);
  for (const char* one : {"天", "会", "好", "我", "k", "e", "花", "飞", "鑫", "qz"}) add(one);
  for (int i = 0; queries.size() < 100; ++i) add(i % 2 ? "不存在的词" + std::to_string(i) : "zqxv" + std::to_string(i));
  return queries;
}

struct Figures {
  double p50, p90, p99, max;
};

Figures figures(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  const auto at = [&](double q) { return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * ms.size()))]; };
  return {at(0.50), at(0.90), at(0.99), ms.back()};
}

void print(const char* what, const std::vector<double>& ms) {
  if (ms.empty()) return;
  const Figures f = figures(ms);
  std::printf("  %-34s n=%3zu  p50 %7.2f ms  p90 %7.2f ms  p99 %7.2f ms  max %7.2f ms\n", what, ms.size(), f.p50, f.p90,
              f.p99, f.max);
}

std::uintmax_t sizeOf(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 1'000'000;
  std::string root;
  if (argc > 2) {
    root = argv[2];
    std::filesystem::create_directories(root);
  } else {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/kiv-search-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    root = pattern;
  }
  setenv("KIV_HOME", root.c_str(), 1);
  const std::string account = root + "/" + std::to_string(kAccount);
  const std::string history = account + "/MsgEx.db";
  const std::string index = account + "/" + kiv::HistorySearchIndex::kIndexFileName;

  {
    kiv::LocalStores store;
    if (!store.ResolveProgramPaths() || !store.history.OpenMessageDatabase(kAccount)) return 1;
  }
  auto start = Clock::now();
  try {
    fillHistory(history, rows);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("history: %d messages in %s, %.1f MiB, generated in %.1f s\n", rows, root.c_str(),
              static_cast<double>(sizeOf(history)) / (1 << 20), msSince(start) / 1000);

  kiv::HistorySearchIndex search;
  start = Clock::now();
  if (!search.open(account)) return 1;
  const double buildMs = msSince(start);
  std::printf("index build: %.1f s for %lld messages (%.0f messages/s)\n", buildMs / 1000,
              static_cast<long long>(search.indexedMessages()), search.indexedMessages() / (buildMs / 1000));
  search.close();
  std::printf("index size: %.1f MiB (%.0f bytes per message; history %.1f MiB)\n",
              static_cast<double>(sizeOf(index)) / (1 << 20), static_cast<double>(sizeOf(index)) / rows,
              static_cast<double>(sizeOf(history)) / (1 << 20));
  start = Clock::now();
  if (!search.open(account)) return 1;
  std::printf("open of an index that is up to date: %.2f ms\n", msSince(start));

  std::vector<double> all, indexed, shortOnes, empty, emptyShort;
  for (const auto& query : makeQueries()) {
    start = Clock::now();
    const auto page = search.search(query);
    const double ms = msSince(start);
    if (!page.ok) return 1;
    all.push_back(ms);
    (kiv::searchtext::characterCount(query) < 3 ? shortOnes : indexed).push_back(ms);
    if (page.hits.empty()) empty.push_back(ms);
    if (page.hits.empty() && kiv::searchtext::characterCount(query) < 3) {
      emptyShort.push_back(ms);
      std::printf("  no hit for \"%s\": %.2f ms (%d newest messages looked at)\n", query.c_str(), ms,
                  kiv::HistorySearchIndex::kShortQueryScanRows);
    }
  }
  std::printf("first page (20 hits) of 100 different queries:\n");
  print("all queries", all);
  print("3 characters or more (index)", indexed);
  print("1-2 characters (bounded scan)", shortOnes);
  print("no hit at all", empty);
  print("no hit, 1-2 characters (whole scan)", emptyShort);

  // A received batch: stored as the program stores it, then indexed.
  kiv::LocalStores store;
  if (!store.ResolveProgramPaths() || !store.history.OpenMessageDatabase(kAccount)) return 1;
  std::mt19937 random(7);
  std::vector<double> storeMs, indexMs, bothMs;
  for (int batch = 0; batch < 50; ++batch) {
    std::vector<kiv::HistoryRow> rowsOfBatch;
    for (const auto& text : makeTexts(10, random)) {
      rowsOfBatch.push_back({text, timeText(1'700'000'000 + batch * 60 + static_cast<int>(rowsOfBatch.size()))});
    }
    start = Clock::now();
    if (!store.history.AppendMessages(kiv::HistoryStore::kUserTable, 10002 + batch % 50, rowsOfBatch)) return 1;
    const double stored = msSince(start);
    const auto indexStart = Clock::now();
    if (search.update() != 10) return 1;
    indexMs.push_back(msSince(indexStart));
    storeMs.push_back(stored);
    bothMs.push_back(msSince(start));
  }
  std::printf("received batch of 10 messages, 50 batches:\n");
  print("history write (as today)", storeMs);
  print("index update", indexMs);
  print("both", bothMs);
  std::filesystem::remove_all(root);
  return 0;
}
