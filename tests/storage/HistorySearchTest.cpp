#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/Gbk.h"
#include "storage/HistorySearchIndex.h"
#include "storage/HistoryStore.h"
#include "storage/SqliteDatabase.h"
#include "storage/StoreHome.h"

namespace kiv {
namespace {

constexpr std::int32_t kAccount = 10001;

std::string timeText(int n) {
  char text[32];
  std::snprintf(text, sizeof text, "26-03-%02d %02d:%02d:%02d", 1 + n / 86400, n / 3600 % 24, n / 60 % 60, n % 60);
  return text;
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The marked stretches of a hit, as text.
std::vector<std::string> marked(const HistorySearchHit& hit) {
  std::vector<std::string> out;
  for (const auto& mark : hit.marks) out.push_back(hit.text.substr(mark.offset, mark.length));
  return out;
}

// An account history of private and group conversations, Chinese and Latin:
// 120 messages about the weather in four conversations (every third in a
// group), and a few that the tests look for.
class HistorySearchTest : public ::testing::Test {
 protected:
  test::StoreHome home_;
  HistoryStore store_;
  HistorySearchIndex index_;

  std::string dir() const { return home_.path() + std::to_string(kAccount); }
  std::string indexFile() const { return dir() + "/MsgSearch.db"; }

  void SetUp() override {
    store_.ResolveProgramPaths();
    ASSERT_TRUE(store_.OpenMessageDatabase(kAccount));
    for (int i = 0; i < 120; ++i) {
      const std::string text = gbk::fromUtf8("今天天气很好 #" + std::to_string(i) + " sunny Weather");
      if (i % 3 == 0) {
        ASSERT_TRUE(store_.AppendGroupMessage(20001, text, timeText(i * 60)));
      } else {
        ASSERT_TRUE(store_.AppendUserMessage(10002 + i % 3, text, timeText(i * 60)));
      }
    }
    ASSERT_TRUE(store_.AppendUserMessage(10002, gbk::fromUtf8("我们明天在北京见面吧"), timeText(9000)));
    ASSERT_TRUE(store_.AppendGroupMessage(20001, gbk::fromUtf8("北京烤鸭 Peking duck, 北京!"), timeText(9001)));
    ASSERT_TRUE(store_.AppendUserMessage(10003, gbk::fromUtf8("say \"hi\" OR bye* NEAR(a b) text:x"), timeText(9002)));
  }

  std::vector<HistorySearchHit> all(const std::string& query, int pageSize = 20) {
    std::vector<HistorySearchHit> hits;
    std::int64_t before = 0;
    for (int pages = 0; pages < 100; ++pages) {
      const auto page = index_.search(query, before, pageSize);
      EXPECT_TRUE(page.ok);
      hits.insert(hits.end(), page.hits.begin(), page.hits.end());
      if (page.next == 0) break;
      before = page.next;
    }
    return hits;
  }
};

TEST_F(HistorySearchTest, FindsWordsAcrossConversationsNewestFirstWithTheMatchMarkedAndLeavesTheHistoryAlone) {
  const std::string historyBefore = fileBytes(dir() + "/MsgEx.db");
  ASSERT_TRUE(index_.open(dir()));
  EXPECT_EQ(index_.indexedMessages(), 123);

  // The index is the user's alone, like the history.
  struct stat info {};
  ASSERT_EQ(::stat(indexFile().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  if (::stat((indexFile() + "-wal").c_str(), &info) == 0) {
    EXPECT_EQ(info.st_mode & 0777, 0600u);
  }

  // Two characters, shorter than the index's grain; and three, through it.
  for (const char* raw : {"北京", "北京烤"}) {
    const std::string query = raw;
    const auto hits = all(query);
    ASSERT_EQ(hits.size(), query == "北京" ? 2u : 1u) << query;
    EXPECT_TRUE(hits[0].group);
    EXPECT_EQ(hits[0].conversation, 20001);
    EXPECT_EQ(hits[0].rtime, timeText(9001));
    EXPECT_EQ(hits[0].text, "北京烤鸭 Peking duck, 北京!");
    const std::vector<std::string> marks =
        query == "北京" ? std::vector<std::string>{"北京", "北京"} : std::vector<std::string>{"北京烤"};
    EXPECT_EQ(marked(hits[0]), marks);
    if (hits.size() > 1) {
      EXPECT_FALSE(hits[1].group);
      EXPECT_EQ(hits[1].conversation, 10002);
      EXPECT_EQ(marked(hits[1]), std::vector<std::string>{"北京"});
    }
  }
  // Latin letters regardless of case; the mark keeps the text's own case.
  for (const char* query : {"peking DUCK", "pE"}) {
    const auto duck = all(query);
    ASSERT_EQ(duck.size(), 1u) << query;
    EXPECT_EQ(marked(duck[0]), std::vector<std::string>{std::string("Peking duck").substr(0, strlen(query))});
  }

  // Paging walks every match once, newest first, in both paths.
  for (const char* query : {"天气很好", "天气", "WEATHER"}) {
    const auto hits = all(query, 7);
    ASSERT_EQ(hits.size(), 120u) << query;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < hits.size(); ++i) {
      seen.insert(hits[i].text);
      EXPECT_EQ(hits[i].rtime, timeText(static_cast<int>(119 - i) * 60));
      if (i > 0) {
        EXPECT_LT(hits[i].position, hits[i - 1].position);
      }
    }
    EXPECT_EQ(seen.size(), 120u);
  }

  // The page of the history viewer that shows a hit holds it.
  const auto old = all("#5 sunny");
  ASSERT_EQ(old.size(), 1u);
  const int page = index_.historyPage(old[0]);
  EXPECT_EQ(page, 1);  // 10004 holds 40 weather messages, 38 newer than #5
  EXPECT_NE(store_.ReadUserHistoryPage(10004, page).find(gbk::fromUtf8("#5 sunny")), std::string::npos);

  EXPECT_EQ(fileBytes(dir() + "/MsgEx.db"), historyBefore);

  // A received batch is found as soon as the index was told.
  ASSERT_TRUE(store_.AppendMessages(
      HistoryStore::kUserTable, 10005,
      {{gbk::fromUtf8("刚到的消息 one"), timeText(9100)}, {gbk::fromUtf8("刚到的消息 two"), timeText(9101)}}));
  EXPECT_EQ(index_.update(), 2);
  const auto fresh = all("刚到的消息");
  ASSERT_EQ(fresh.size(), 2u);
  EXPECT_EQ(fresh[0].text, "刚到的消息 two");
  EXPECT_EQ(fresh[0].conversation, 10005);
  EXPECT_EQ(index_.update(), 0);
}

TEST_F(HistorySearchTest, HostileQueriesAreSearchedAsPlainTextOrNotAtAll) {
  ASSERT_TRUE(index_.open(dir()));
  // Quotes and the operators of the query language are just characters.
  const auto quoted = all("\"hi\" OR bye* NEAR(a b) text:x");
  ASSERT_EQ(quoted.size(), 1u);
  EXPECT_EQ(marked(quoted[0]), std::vector<std::string>{"\"hi\" OR bye* NEAR(a b) text:x"});
  for (const char* query : {"\"", "\"\"", "*", "OR", "NEAR(", "text:", "x\" OR \"今天", "^sunny", "AND NOT"}) {
    const auto page = index_.search(query);
    EXPECT_TRUE(page.ok) << query;
    for (const auto& hit : page.hits) EXPECT_FALSE(hit.marks.empty()) << query;
  }
  EXPECT_EQ(all("x\" OR \"今天").size(), 0u);
  EXPECT_EQ(all("bye*").size(), 1u);

  // Nothing that no search box produces, and nothing longer than any message.
  for (const std::string& query :
       {std::string(), std::string("   \xE3\x80\x80 "), std::string("天\0气", 7), std::string("\xFF\xFE\xFD"),
        std::string("\xE5\xA4"), std::string("a\nb"), std::string(100000, 'a'), std::string(3000, '\x7F')}) {
    const auto page = index_.search(query);
    EXPECT_TRUE(page.ok);
    EXPECT_TRUE(page.hits.empty());
    EXPECT_EQ(page.next, 0);
  }
  // Page sizes out of range are brought into it.
  EXPECT_EQ(index_.search("sunny", 0, 0).hits.size(), 1u);
  EXPECT_EQ(index_.search("sunny", 0, 100000).hits.size(), 100u);
}

TEST_F(HistorySearchTest, AMissingDamagedOutdatedOrStaleIndexIsBuiltAgainFromTheHistory) {
  ASSERT_TRUE(index_.open(dir()));
  EXPECT_EQ(index_.rebuildCount(), 1);  // there was none
  index_.close();
  ASSERT_TRUE(index_.open(dir()));
  EXPECT_EQ(index_.rebuildCount(), 1);  // a good one is kept
  index_.close();

  const auto damage = [&](std::streamoff at, const std::string& bytes) {
    std::fstream file(indexFile(), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(at);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  const auto searchable = [&] {
    EXPECT_EQ(all("天气很好").size(), 120u);
    EXPECT_EQ(all("北京").size(), 2u);
  };
  // The header overwritten, every page after the first overwritten, the
  // file cut short, the file gone, and a layout of another version.
  damage(0, std::string(100, 'x'));
  ASSERT_TRUE(index_.open(dir()));
  EXPECT_EQ(index_.rebuildCount(), 2);
  searchable();
  index_.close();

  const auto size = std::filesystem::file_size(indexFile());
  damage(4096, std::string(size - 4096, '\x5A'));
  ASSERT_TRUE(index_.open(dir()));
  searchable();
  EXPECT_EQ(index_.rebuildCount(), 3);
  index_.close();

  std::filesystem::resize_file(indexFile(), std::filesystem::file_size(indexFile()) / 3);
  ASSERT_TRUE(index_.open(dir()));
  searchable();
  EXPECT_EQ(index_.rebuildCount(), 4);
  index_.close();

  std::filesystem::remove(indexFile());
  ASSERT_TRUE(index_.open(dir()));
  searchable();
  index_.close();
  {
    SqliteDatabase raw;
    ASSERT_TRUE(raw.open(indexFile()));
    ASSERT_TRUE(raw.execute("PRAGMA user_version=7"));
  }
  ASSERT_TRUE(index_.open(dir()));
  EXPECT_EQ(index_.rebuildCount(), 6);
  searchable();

  // The history cleared and filled anew reuses its row numbers: the old
  // words must not be found under them.
  ASSERT_TRUE(store_.ClearTable(HistoryStore::kUserTable));
  for (int i = 0; i < 130; ++i) ASSERT_TRUE(store_.AppendUserMessage(10002, "fresh start", timeText(i)));
  EXPECT_EQ(all("天气").size(), 40u);  // the group's
  EXPECT_EQ(all("北京").size(), 1u);
  EXPECT_EQ(all("fresh start").size(), 130u);
  EXPECT_EQ(index_.indexedMessages(), 130 + 41);

  // A link planted in the index's place is replaced, never written through.
  index_.close();
  const std::string target = home_.scratch("victim");
  std::ofstream(target) << "keep";
  std::filesystem::remove(indexFile());
  std::filesystem::create_symlink(target, indexFile());
  ASSERT_TRUE(index_.open(dir()));
  EXPECT_FALSE(std::filesystem::is_symlink(indexFile()));
  EXPECT_EQ(fileBytes(target), "keep");
  EXPECT_EQ(all("fresh start").size(), 130u);

  // A folder name that means something in a URI is still just a name.
  const std::string odd = home_.scratch("odd %3F#?&mode=rwc 名");
  std::filesystem::create_directory(odd);
  std::filesystem::copy_file(dir() + "/MsgEx.db", odd + "/MsgEx.db");
  HistorySearchIndex elsewhere;
  ASSERT_TRUE(elsewhere.open(odd));
  EXPECT_EQ(elsewhere.search("fresh start", 0, 100).hits.size(), 100u);

  // Without a history there is nothing to index, and it says so.
  HistorySearchIndex none;
  EXPECT_FALSE(none.open(home_.path() + "404"));
  EXPECT_FALSE(none.search("北京").ok);
  EXPECT_FALSE(std::filesystem::exists(home_.path() + "404/MsgEx.db"));
}

}  // namespace
}  // namespace kiv
