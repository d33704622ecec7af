// History page reads on a large message store, with and without the
// (id, rtime) index: a million rows of msg_user spread over 1,000 contacts.
// The measured contact is a busy one with 20,000 rows, so that page 500
// (rows 10,000..10,019) exists; the other 999 share the remaining rows.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "GeneratedHistory.h"
#include "platform/Gbk.h"
#include "storage/LocalStores.h"
#include "storage/SqliteDatabase.h"

namespace {

constexpr int kRows = 1'000'000;
constexpr int kContacts = 1'000;
constexpr int kBusyContact = 1;
constexpr int kBusyRows = 20'000;
constexpr std::int32_t kAccount = 10001;

// Every 50th row belongs to the busy contact; the rest go round the others.
void generate(const std::string& file) {
  const int busyEvery = kRows / kBusyRows;
  int other = 0;
  kiv::bench::generateHistory(
      file, kRows,
      [&](int i) { return i % busyEvery == 0 ? kBusyContact : 2 + (other++ % (kContacts - 1)); },
      kiv::gbk::fromUtf8("对方(私聊):今天下午三点开会，请准时参加。"), 7);
}

// Two copies of one generated store: one left as older clients wrote it, one
// opened through LocalStores, which adds the index.
struct Stores {
  std::string root;
  std::string plainFile;
  std::unique_ptr<kiv::LocalStores> indexed;

  Stores() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kiv-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root = pattern;
    plainFile = root + "/plain.db";
    const auto started = std::chrono::steady_clock::now();
    generate(plainFile);
    const auto generated = std::chrono::steady_clock::now();

    const std::string home = root + "/home";
    std::filesystem::create_directories(home + "/" + std::to_string(kAccount));
    std::filesystem::copy_file(plainFile, home + "/" + std::to_string(kAccount) + "/MsgEx.db");
    setenv("KIV_HOME", home.c_str(), 1);
    indexed = std::make_unique<kiv::LocalStores>();
    if (!indexed->history.OpenMessageDatabase(kAccount)) throw std::runtime_error("cannot open the indexed store");
    const auto opened = std::chrono::steady_clock::now();
    std::printf("set-up: %d rows generated in %.1f s; first open with the index build: %.1f s\n", kRows,
                std::chrono::duration<double>(generated - started).count(),
                std::chrono::duration<double>(opened - generated).count());
  }
  ~Stores() {
    indexed.reset();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};

Stores& stores() {
  static Stores instance;
  return instance;
}

// The page statement without the index, read into the same page text.
void BM_PageWithoutIndex(benchmark::State& state) {
  kiv::SqliteDatabase db;
  if (!db.open(stores().plainFile)) state.SkipWithError("cannot open");
  const std::int32_t id = static_cast<std::int32_t>(state.range(0));
  const std::int64_t page = state.range(1);
  std::size_t rows = 0;
  for (auto _ : state) {
    std::string text;
    const auto result = db.query("select rtime,msg from msg_user where id=? order by rtime desc Limit 20 offset 20*?",
                                 {std::int64_t{id}, page});
    for (const auto& row : result) {
      text += "\r\n";
      for (const auto& value : row) text += "\r\n" + value.value_or("");
    }
    rows = result.size();
    benchmark::DoNotOptimize(text);
  }
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_PageWithIndex(benchmark::State& state) {
  auto& store = *stores().indexed;
  const std::int32_t id = static_cast<std::int32_t>(state.range(0));
  const int page = static_cast<int>(state.range(1));
  std::string text;
  for (auto _ : state) {
    text = store.history.ReadUserHistoryPage(id, page);
    benchmark::DoNotOptimize(text);
  }
  std::size_t rows = 0;
  for (std::size_t at = text.find("\r\n\r\n"); at != std::string::npos; at = text.find("\r\n\r\n", at + 4)) ++rows;
  state.counters["rows"] = static_cast<double>(rows);
}

// Arguments: contact, page. Contact 2 is an ordinary one (about 980 rows).
BENCHMARK(BM_PageWithoutIndex)
    ->Args({kBusyContact, 0})
    ->Args({kBusyContact, 500})
    ->Args({2, 0})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(BM_PageWithIndex)
    ->Args({kBusyContact, 0})
    ->Args({kBusyContact, 500})
    ->Args({2, 0})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
