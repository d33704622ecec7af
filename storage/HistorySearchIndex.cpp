#include "storage/HistorySearchIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "platform/Gbk.h"
#include "platform/PrivateFiles.h"
#include "storage/HistoryRowKeys.h"
#include "storage/HistoryStore.h"
#include "storage/SqliteStatement.h"

namespace kiv {
namespace {

using Statement = SqliteStatement;
using historykeys::fingerprint;
using historykeys::readOnlyUri;
using historykeys::timeKey;

// Bump when the layout below changes: an index of another layout is rebuilt.
constexpr int kSchemaVersion = 1;
// Rows read from the history at once, then written in one transaction.
constexpr int kChunkRows = 5000;
// A hit's position is its time (yymmddhhmmss as a number) shifted left by
// this many bits plus a sequence number among messages of the same second,
// so that ordering by position is ordering by time across both tables.
constexpr int kSequenceBits = 23;
constexpr std::int64_t kSequenceLimit = std::int64_t{1} << kSequenceBits;
// Candidates from the index looked at per page beyond the page size, for the
// rare hit of the index that the exact comparison then rejects.
constexpr int kMaxCandidates = 10 * HistorySearchIndex::kMaxPageSize;

constexpr const char* kTables[2] = {"msg_user", "msg_group"};

bool isDamage(int rc) {
  const int primary = rc & 0xFF;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

char foldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool exec(sqlite3* db, const char* sql, int* rc = nullptr) {
  const int result = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != nullptr) *rc = result;
  return result == SQLITE_OK;
}

// The joined row of a position: table, history row, conversation, time, text.
constexpr const char* kHitColumns =
    "SELECT d.docid, d.grp, d.src, coalesce(u.id, g.id), coalesce(u.rtime, g.rtime), coalesce(u.msg, g.msg) "
    "FROM doc d LEFT JOIN hist.msg_user u ON d.grp = 0 AND u.rowid = d.src "
    "LEFT JOIN hist.msg_group g ON d.grp = 1 AND g.rowid = d.src ";

// Fills `hit` from a row of kHitColumns when its text contains `query`.
bool readHit(const Statement& row, std::string_view query, HistorySearchHit& hit) {
  if (row.isNull(5)) return false;  // the history row is gone
  std::string text = gbk::toUtf8(row.text(5));
  auto marks = searchtext::findMarks(text, query);
  if (marks.empty()) return false;
  hit.position = row.integer(0);
  hit.group = row.integer(1) == 1;
  hit.historyRow = row.integer(2);
  const std::int64_t id = row.integer(3);
  hit.conversation = id >= INT32_MIN && id <= INT32_MAX ? static_cast<std::int32_t>(id) : 0;
  hit.rtime = gbk::toUtf8(row.text(4));
  hit.text = std::move(text);
  hit.marks = std::move(marks);
  return true;
}

}  // namespace

// A history row read for indexing.
struct HistorySearchIndex::PendingRow {
  std::int64_t rowid;
  std::int64_t id;
  std::string rtime;
  std::string msg;
};

HistorySearchIndex::~HistorySearchIndex() {
  close();
}

bool HistorySearchIndex::open(const std::string& accountDirectory) {
  std::lock_guard lock(mutex_);
  directory_ = accountDirectory;
  while (directory_.size() > 1 && directory_.back() == '/') directory_.pop_back();
  return openLocked();
}

void HistorySearchIndex::close() {
  std::lock_guard lock(mutex_);
  closeLocked();
}

void HistorySearchIndex::closeLocked() {
  // _v2: a statement still alive in the caller's scope is finalized later
  // and the connection goes with it.
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
}

bool HistorySearchIndex::isOpen() const {
  std::lock_guard lock(mutex_);
  return db_ != nullptr;
}

int HistorySearchIndex::rebuildCount() const {
  std::lock_guard lock(mutex_);
  return rebuilds_;
}

bool HistorySearchIndex::openLocked() {
  Connection connection = openConnection(false);
  if (connection == Connection::kIndexBad) connection = openConnection(true);
  int indexed = connection == Connection::kReady ? updateLocked() : -1;
  if (indexed < 0 && damaged_) indexed = rebuildLocked();
  if (indexed < 0) {
    closeLocked();
    return false;
  }
  compactAfter(indexed);
  return true;
}

HistorySearchIndex::Connection HistorySearchIndex::openConnection(bool fresh) {
  closeLocked();
  damaged_ = false;
  const std::string path = directory_ + "/" + kIndexFileName;
  if (fresh) {
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(path + suffix, ignored);
  }
  // The index holds the words of every message: the user's alone, like the
  // history. Its -wal and -shm files take the mode of the file.
  if (!paths::preparePrivateFile(path)) return Connection::kIndexBad;
  const int flags =
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_URI;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) return Connection::kIndexBad;
  sqlite3_busy_timeout(db_, 2000);
  if (!prepareIndex(fresh)) return Connection::kIndexBad;
  Statement attach(db_, "ATTACH DATABASE ?1 AS hist");
  attach.bind(1, std::string_view(readOnlyUri(directory_ + "/" + kHistoryFileName)));
  if (attach.step() != SQLITE_DONE) return Connection::kNoHistory;
  Statement tables(db_, "SELECT (SELECT max(rowid) FROM hist.msg_user), (SELECT max(rowid) FROM hist.msg_group)");
  if (tables.step() != SQLITE_ROW) return Connection::kNoHistory;
  return Connection::kReady;
}

bool HistorySearchIndex::prepareIndex(bool fresh) {
  std::optional<int> version;
  {
    Statement read(db_, "PRAGMA user_version");
    if (read.step() == SQLITE_ROW) version = static_cast<int>(read.integer(0));
  }
  if (!version) return false;
  if (*version != kSchemaVersion) {
    // A new, empty file is laid out here; any other layout is rebuilt.
    if (*version != 0 || !fresh) {
      Statement objects(db_, "SELECT count(*) FROM sqlite_master");
      if (objects.step() != SQLITE_ROW || objects.integer(0) != 0) return false;
    }
    ++rebuilds_;
    lastRow_[0] = lastRow_[1] = 0;
    lastFingerprint_[0] = lastFingerprint_[1] = 0;
    // Derived data: losing the last transactions to a power cut only means
    // catching up again, so commits need not wait for the disk.
    static_assert(kSchemaVersion == 1, "the layout below sets the version");
    // Compacting frees pages; incremental vacuum gives them back.
    return exec(db_, "PRAGMA auto_vacuum=INCREMENTAL") && exec(db_, "PRAGMA journal_mode=WAL") &&
           exec(db_, "PRAGMA synchronous=NORMAL") &&
           exec(db_,
                "BEGIN;"
                "CREATE TABLE doc(docid INTEGER PRIMARY KEY, grp INTEGER NOT NULL, src INTEGER NOT NULL);"
                "CREATE TABLE state(tbl INTEGER PRIMARY KEY, last_row INTEGER NOT NULL, fingerprint INTEGER NOT NULL);"
                "INSERT INTO state VALUES (0, 0, 0), (1, 0, 0);"
                "CREATE VIRTUAL TABLE msg_fts USING fts5(text, tokenize='trigram', content='', columnsize=0);"
                // Merging segments as it goes would cost a received batch
                // tens of milliseconds now and then; large catch-ups
                // compact the index instead (compactAfter()).
                "INSERT INTO msg_fts(msg_fts, rank) VALUES('automerge', 0);"
                "PRAGMA user_version=1;"
                "COMMIT;");
  }
  if (!exec(db_, "PRAGMA synchronous=NORMAL")) return false;
  Statement state(db_, "SELECT tbl, last_row, fingerprint FROM state");
  int rc = SQLITE_OK;
  int rows = 0;
  while ((rc = state.step()) == SQLITE_ROW) {
    const std::int64_t table = state.integer(0);
    if (table != 0 && table != 1) return false;
    lastRow_[table] = state.integer(1);
    lastFingerprint_[table] = static_cast<std::uint64_t>(state.integer(2));
    ++rows;
  }
  if (rc != SQLITE_DONE || rows != 2) return false;
  // A cheap look into both structures catches much damage beyond the first
  // page; damage found later rebuilds as well.
  Statement probe(db_, "SELECT rowid FROM msg_fts WHERE msg_fts MATCH 'kiv' LIMIT 1");
  Statement last(db_, "SELECT max(docid) FROM doc");
  const int probed = probe.step();
  return (probed == SQLITE_ROW || probed == SQLITE_DONE) && last.step() == SQLITE_ROW;
}

int HistorySearchIndex::rebuildLocked() {
  if (openConnection(true) != Connection::kReady) {
    closeLocked();
    return -1;
  }
  return updateLocked();
}

void HistorySearchIndex::noteError(int rc) {
  if (isDamage(rc)) damaged_ = true;
}

int HistorySearchIndex::update() {
  std::lock_guard lock(mutex_);
  int indexed = updateLocked();
  if (indexed < 0 && damaged_) indexed = rebuildLocked();
  compactAfter(indexed);
  return indexed;
}

void HistorySearchIndex::compactAfter(int indexed) {
  // Many small segments slow every query down; after a build or a large
  // backlog one merge into a single segment is worth its second or two.
  if (indexed >= kChunkRows && exec(db_, "INSERT INTO msg_fts(msg_fts) VALUES('optimize')")) {
    exec(db_, "PRAGMA incremental_vacuum");
  }
}

int HistorySearchIndex::updateLocked() {
  if (db_ == nullptr) return -1;
  for (int table = 0; table < 2; ++table) {
    const int same = matchesHistory(table);
    if (same < 0) return -1;
    // Rows indexed are gone or changed: start over.
    if (same == 0) return rebuildLocked();
  }
  int total = 0;
  for (int table = 0; table < 2; ++table) {
    const int indexed = indexTable(table);
    if (indexed < 0) return -1;
    total += indexed;
  }
  return total;
}

int HistorySearchIndex::matchesHistory(int table) {
  if (lastRow_[table] == 0) return 1;
  Statement row(db_, std::string("SELECT id, rtime, msg FROM hist.") + kTables[table] + " WHERE rowid = ?1");
  row.bind(1, lastRow_[table]);
  const int rc = row.step();
  if (rc == SQLITE_DONE) return 0;
  if (rc != SQLITE_ROW) {
    noteError(rc);
    return -1;
  }
  return fingerprint(row.integer(0), row.text(1), row.text(2)) == lastFingerprint_[table] ? 1 : 0;
}

int HistorySearchIndex::indexTable(int table) {
  const std::string select = std::string("SELECT rowid, id, rtime, msg FROM hist.") + kTables[table] +
                             " WHERE rowid > ?1 ORDER BY rowid LIMIT ?2";
  int total = 0;
  for (;;) {
    // Read first, with the history locked only for the read ...
    std::vector<PendingRow> rows;
    {
      Statement read(db_, select);
      read.bind(1, lastRow_[table]);
      read.bind(2, std::int64_t{kChunkRows});
      int rc = SQLITE_OK;
      while ((rc = read.step()) == SQLITE_ROW) {
        rows.push_back(PendingRow{read.integer(0), read.integer(1), read.text(2), read.text(3)});
      }
      if (rc != SQLITE_DONE) {
        noteError(rc);
        return -1;
      }
    }
    if (rows.empty()) return total;
    // ... then write the index alone.
    const int written = writeChunk(table, rows);
    if (written < 0) return -1;
    total += written;
    if (rows.size() < static_cast<std::size_t>(kChunkRows)) return total;
  }
}

int HistorySearchIndex::writeChunk(int table, const std::vector<PendingRow>& rows) {
  Statement last(db_, "SELECT max(docid) FROM doc WHERE docid >= ?1 AND docid < ?2");
  Statement doc(db_, "INSERT INTO doc (docid, grp, src) VALUES (?1, ?2, ?3)");
  Statement text(db_, "INSERT INTO msg_fts (rowid, text) VALUES (?1, ?2)");
  Statement state(db_, "UPDATE state SET last_row = ?1, fingerprint = ?2 WHERE tbl = ?3");
  int rc = SQLITE_OK;
  if (!exec(db_, "BEGIN", &rc)) {
    noteError(rc);
    return -1;
  }
  const auto fail = [&](int code) {
    noteError(code);
    exec(db_, "ROLLBACK");
    return -1;
  };
  int written = 0;
  for (const auto& row : rows) {
    const std::int64_t base = timeKey(row.rtime) << kSequenceBits;
    last.reset();
    last.bind(1, base);
    last.bind(2, base + kSequenceLimit);
    if ((rc = last.step()) != SQLITE_ROW) return fail(rc);
    const std::int64_t docid = last.isNull(0) ? base : last.integer(0) + 1;
    // Millions of messages stamped with the same second (a broken clock)
    // leave the excess unsearchable rather than misplaced.
    if (docid >= base + kSequenceLimit) continue;
    doc.reset();
    doc.bind(1, docid);
    doc.bind(2, std::int64_t{table});
    doc.bind(3, row.rowid);
    if ((rc = doc.step()) != SQLITE_DONE) return fail(rc);
    text.reset();
    text.bind(1, docid);
    text.bind(2, std::string_view(gbk::toUtf8(row.msg)));
    if ((rc = text.step()) != SQLITE_DONE) return fail(rc);
    ++written;
  }
  const PendingRow& newest = rows.back();
  const std::uint64_t print = fingerprint(newest.id, newest.rtime, newest.msg);
  state.bind(1, newest.rowid);
  state.bind(2, static_cast<std::int64_t>(print));
  state.bind(3, std::int64_t{table});
  if ((rc = state.step()) != SQLITE_DONE) return fail(rc);
  if (!exec(db_, "COMMIT", &rc)) return fail(rc);
  lastRow_[table] = newest.rowid;
  lastFingerprint_[table] = print;
  return written;
}

HistorySearchPage HistorySearchIndex::search(std::string_view utf8Query, std::int64_t before, int limit) {
  HistorySearchPage page;
  const auto query = searchtext::normalizeQuery(utf8Query);
  if (!query) return page;
  if (limit < 1) limit = 1;
  if (limit > kMaxPageSize) limit = kMaxPageSize;
  if (before <= 0) before = INT64_MAX;
  std::lock_guard lock(mutex_);
  for (int attempt = 0; attempt < 2; ++attempt) {
    page = HistorySearchPage{};
    damaged_ = false;
    if (updateLocked() >= 0) {
      if (searchtext::characterCount(*query) < 3) {
        scanShort(*query, before, limit, page);
      } else {
        searchIndexed(*query, before, limit, page);
      }
      if (page.ok) return page;
    }
    if (!damaged_ || rebuildLocked() < 0) break;
  }
  page = HistorySearchPage{};
  page.ok = false;
  return page;
}

void HistorySearchIndex::scanShort(const std::string& query, std::int64_t before, int limit, HistorySearchPage& page) {
  Statement rows(db_, std::string(kHitColumns) + "WHERE d.docid < ?1 ORDER BY d.docid DESC LIMIT ?2");
  rows.bind(1, before);
  rows.bind(2, std::int64_t{kShortQueryScanRows});
  // Converting every text to UTF-8 is most of a scan's cost. A query that
  // GBK can hold occurs (A-Z case aside) in the stored GBK bytes of every
  // matching text, so most texts are passed over unconverted. Folding the
  // case of every byte, trail bytes too, keeps that true: the query's bytes
  // and the text's bytes at a match are the same bytes (GBK's few duplicate
  // codes of one character aside).
  std::string stored = gbk::fromUtf8(query);
  if (gbk::toUtf8(stored) != query) stored.clear();
  const auto sameFolded = [](char a, char b) { return foldAscii(a) == foldAscii(b); };
  int rc = SQLITE_OK;
  int examined = 0;
  std::int64_t position = 0;
  while ((rc = rows.step()) == SQLITE_ROW) {
    ++examined;
    position = rows.integer(0);
    const std::string_view raw = rows.view(5);
    if (!stored.empty() && std::search(raw.begin(), raw.end(), stored.begin(), stored.end(), sameFolded) == raw.end()) {
      continue;
    }
    HistorySearchHit hit;
    if (!readHit(rows, query, hit)) continue;
    page.hits.push_back(std::move(hit));
    if (static_cast<int>(page.hits.size()) == limit) {
      page.next = position;
      return;
    }
  }
  if (rc != SQLITE_DONE) {
    noteError(rc);
    page.ok = false;
    return;
  }
  page.next = examined == kShortQueryScanRows ? position : 0;
}

void HistorySearchIndex::searchIndexed(const std::string& query, std::int64_t before, int limit,
                                       HistorySearchPage& page) {
  Statement candidates(db_,
                       "SELECT rowid FROM msg_fts WHERE msg_fts MATCH ?1 AND rowid < ?2 ORDER BY rowid DESC LIMIT ?3");
  Statement row(db_, std::string(kHitColumns) + "WHERE d.docid = ?1");
  const std::string phrase = searchtext::ftsPhrase(query);
  int examined = 0;
  int rc = SQLITE_OK;
  while (examined < kMaxCandidates) {
    const int wanted = limit - static_cast<int>(page.hits.size());
    std::vector<std::int64_t> positions;
    candidates.reset();
    candidates.bind(1, std::string_view(phrase));
    candidates.bind(2, before);
    candidates.bind(3, std::int64_t{wanted});
    while ((rc = candidates.step()) == SQLITE_ROW) positions.push_back(candidates.integer(0));
    if (rc != SQLITE_DONE) break;
    for (const std::int64_t position : positions) {
      ++examined;
      before = position;
      row.reset();
      row.bind(1, position);
      rc = row.step();
      if (rc == SQLITE_DONE) continue;
      if (rc != SQLITE_ROW) break;
      rc = SQLITE_DONE;
      HistorySearchHit hit;
      if (readHit(row, query, hit)) page.hits.push_back(std::move(hit));
    }
    if (rc != SQLITE_DONE) break;
    if (static_cast<int>(page.hits.size()) == limit) {
      page.next = before;
      return;
    }
    // Fewer candidates than asked for: nothing older matches.
    if (static_cast<int>(positions.size()) < wanted) return;
  }
  if (rc != SQLITE_DONE) {
    noteError(rc);
    page.ok = false;
    return;
  }
  page.next = before;
}

int HistorySearchIndex::historyPage(const HistorySearchHit& hit) {
  std::lock_guard lock(mutex_);
  if (db_ == nullptr) return -1;
  const std::string table = kTables[hit.group ? 1 : 0];
  // Counted as the history viewer orders its pages: by time, newest first,
  // and among messages of the same time the later stored first.
  Statement newer(db_, "SELECT count(*) FROM hist." + table + " AS o, hist." + table +
                           " AS h WHERE h.rowid = ?1 AND h.id = ?2 AND o.id = h.id AND"
                           " (o.rtime > h.rtime OR (o.rtime = h.rtime AND o.rowid > h.rowid))");
  Statement exists(db_, "SELECT 1 FROM hist." + table + " WHERE rowid = ?1 AND id = ?2");
  for (Statement* s : {&newer, &exists}) {
    s->bind(1, hit.historyRow);
    s->bind(2, std::int64_t{hit.conversation});
  }
  if (exists.step() != SQLITE_ROW || newer.step() != SQLITE_ROW) return -1;
  return static_cast<int>(newer.integer(0) / HistoryStore::kHistoryPageSize);
}

std::int64_t HistorySearchIndex::indexedMessages() {
  std::lock_guard lock(mutex_);
  if (db_ == nullptr) return 0;
  Statement count(db_, "SELECT count(*) FROM doc");
  return count.step() == SQLITE_ROW ? count.integer(0) : 0;
}

}  // namespace kiv
