#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "storage/SearchText.h"

struct sqlite3;

namespace kiv {

// One message found in the history.
struct HistorySearchHit {
  bool group = false;             // a group conversation (msg_group), else a private one (msg_user)
  std::int32_t conversation = 0;  // the partner's UserId or the GroupId
  std::string rtime;              // "yy-mm-dd hh:mm:ss", UTF-8
  // The whole stored text in UTF-8, to be shown as plain text only: it is
  // what somebody sent and may look like markup.
  std::string text;
  std::vector<searchtext::Mark> marks;  // where the query occurs in `text`
  std::int64_t historyRow = 0;          // the row in the history table
  std::int64_t position = 0;            // order of the hit; newer is larger
};

// One page of hits, newest first.
struct HistorySearchPage {
  std::vector<HistorySearchHit> hits;
  // Pass as `before` to continue with older messages; 0 when everything
  // older has been looked at. A short query looks at a bounded stretch of
  // the history per page, so a page may hold few hits or none and still
  // have a continuation.
  std::int64_t next = 0;
  // False when the index could not be read or written (the history file
  // missing or locked for long): the page says nothing about the history.
  bool ok = true;
};

// A full-text index over the account's whole history (private and group
// conversations), for finding a message by a word or a few characters,
// Chinese without word breaks included: SQLite's FTS5 with the trigram
// tokenizer.
//
// It lives in its own file beside the history, "<account dir>/MsgSearch.db"
// (0600). The history "MsgEx.db" is only ever read, through a read-only
// connection, and never changed: the index is derived data, rebuilt whenever
// it is missing, damaged, of another layout or no longer matches the history
// (a table cleared, say), and caught up with rows stored since it was last
// brought up to date, whoever stored them.
//
// Rows are indexed in chunks, each chunk read from the history and then
// written to the index in its own transaction, so the history is never held
// locked for longer than one chunk's read: a long rebuild never makes the
// writer of a received batch wait.
//
// Every method may be called from any thread (one lock serializes them).
// open() and the first update() after many stored rows can take seconds
// (about 1,000,000 messages a minute on a slow machine): call them off the UI
// thread. Texts in the history are GBK; queries and results are UTF-8.
class HistorySearchIndex {
 public:
  static constexpr const char* kIndexFileName = "MsgSearch.db";
  static constexpr const char* kHistoryFileName = "MsgEx.db";
  static constexpr int kDefaultPageSize = 20;
  static constexpr int kMaxPageSize = 100;
  // A query shorter than one trigram cannot use the index: it is looked for
  // in at most this many messages per page, newest first.
  static constexpr int kShortQueryScanRows = 20000;

  HistorySearchIndex() = default;
  ~HistorySearchIndex();
  HistorySearchIndex(const HistorySearchIndex&) = delete;
  HistorySearchIndex& operator=(const HistorySearchIndex&) = delete;

  // Opens the index of the account whose folder is `accountDirectory` (with
  // or without a trailing separator), closing any earlier one, and brings it
  // up to date, rebuilding it when needed. False when the history cannot be
  // read or the index file cannot be made; every search then finds nothing.
  bool open(const std::string& accountDirectory);
  void close();
  bool isOpen() const;

  // Indexes the history rows stored since the index was last brought up to
  // date (call it after a received or sent batch was stored), rebuilding
  // the index first when the history no longer matches it. The number of
  // rows indexed, -1 on failure.
  int update();

  // Messages containing `utf8Query` (case-insensitive for A-Z), newest
  // first, at most `limit` (1..kMaxPageSize) of them, all older than
  // `before` (0: from the newest). Brings the index up to date first. A
  // query that nothing can match (empty, control characters, invalid UTF-8,
  // too long) yields an empty page.
  HistorySearchPage search(std::string_view utf8Query, std::int64_t before = 0, int limit = kDefaultPageSize);

  // The page of HistoryStore::ReadHistoryPage (0 = newest) that shows `hit`;
  // -1 when its row is gone.
  int historyPage(const HistorySearchHit& hit);

  // Number of messages in the index.
  std::int64_t indexedMessages();
  // How many times the index was built from scratch since this object was
  // made (after a missing, damaged or outdated index file).
  int rebuildCount() const;

 private:
  enum class Connection { kReady, kIndexBad, kNoHistory };
  struct PendingRow;
  bool openLocked();
  void closeLocked();
  Connection openConnection(bool fresh);
  bool prepareIndex(bool fresh);
  int rebuildLocked();
  int updateLocked();
  int matchesHistory(int table);
  int indexTable(int table);
  int writeChunk(int table, const std::vector<PendingRow>& rows);
  void compactAfter(int indexed);
  void scanShort(const std::string& query, std::int64_t before, int limit, HistorySearchPage& page);
  void searchIndexed(const std::string& query, std::int64_t before, int limit, HistorySearchPage& page);
  void noteError(int rc);

  mutable std::mutex mutex_;
  sqlite3* db_ = nullptr;
  std::string directory_;
  std::int64_t lastRow_[2] = {0, 0};
  std::uint64_t lastFingerprint_[2] = {0, 0};
  bool damaged_ = false;
  int rebuilds_ = 0;
};

}  // namespace kiv
