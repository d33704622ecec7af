#include "server/WaitingStore.h"

#include <algorithm>

#include "server/Transaction.h"

namespace kiv::server {

bool WaitingStore::queueMessage(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation,
                         std::uint32_t sender, const std::vector<std::string>& records, std::string_view time) {
  std::size_t bytes = 0;
  for (const auto& text : records) {
    bytes += text.size();
    const bool added =
        db_.prepare("INSERT INTO messages(recipient, kind, conversation, sender, text, time) VALUES(?, ?, ?, ?, ?, ?)")
            .bind(1, recipient)
            .bind(2, static_cast<int>(kind))
            .bind(3, conversation)
            .bind(4, sender)
            .bindBytes(5, text)
            .bindBytes(6, time)
            .run();
    if (!added) return false;
  }
  return db_
      .prepare(
          "INSERT INTO waiting_totals(recipient, records, bytes) VALUES(?, ?, ?) "
          "ON CONFLICT(recipient) DO UPDATE SET records = waiting_totals.records + excluded.records, "
          "bytes = waiting_totals.bytes + excluded.bytes")
      .bind(1, recipient)
      .bind(2, static_cast<std::int64_t>(records.size()))
      .bind(3, static_cast<std::int64_t>(bytes))
      .run();
}

WaitingTotals WaitingStore::waitingTotals(std::uint32_t recipient) {
  auto row = db_.prepare("SELECT records, bytes FROM waiting_totals WHERE recipient = ?");
  row.bind(1, recipient);
  if (!row.step()) return {};
  return {static_cast<std::size_t>(std::max<std::int64_t>(0, row.integer(0))),
          static_cast<std::size_t>(std::max<std::int64_t>(0, row.integer(1)))};
}

std::vector<WaitingConversation> WaitingStore::waitingConversations(std::uint32_t recipient, std::size_t limit) {
  std::vector<WaitingConversation> out;
  auto row = db_.prepare(
      "SELECT kind, conversation, COUNT(*), MIN(id) AS oldest FROM messages WHERE recipient = ? "
      "GROUP BY kind, conversation ORDER BY oldest LIMIT ?");
  row.bind(1, recipient).bind(2, static_cast<std::int64_t>(limit));
  while (row.step()) {
    out.push_back({row.integer(0) == 2 ? ConversationKind::kGroup : ConversationKind::kPrivate,
                   static_cast<std::uint32_t>(row.integer(1)), static_cast<std::size_t>(row.integer(2))});
  }
  return out;
}

std::vector<WaitingMessage> WaitingStore::takeMessages(std::uint32_t recipient, ConversationKind kind,
                                                       std::uint32_t conversation, std::size_t limit) {
  // One statement takes and removes, so that two connections fetching for
  // the same recipient at once (two server processes) never both hand out a
  // message: PostgreSQL skips the rows the other one holds.
  static const char kTakeSqlite[] =
      "DELETE FROM messages WHERE id IN (SELECT id FROM messages WHERE recipient = ? AND kind = ? "
      "AND conversation = ? ORDER BY id LIMIT ?) RETURNING id, sender, text, time";
  static const char kTakePostgres[] =
      "DELETE FROM messages WHERE id IN (SELECT id FROM messages WHERE recipient = ? AND kind = ? "
      "AND conversation = ? ORDER BY id LIMIT ? FOR UPDATE SKIP LOCKED) RETURNING id, sender, text, time";
  std::vector<std::pair<std::int64_t, WaitingMessage>> taken;
  Transaction tx(db_);
  {
    auto row = db_.prepare(db_.backend() == Database::Backend::kPostgres ? kTakePostgres : kTakeSqlite);
    row.bind(1, recipient)
        .bind(2, static_cast<int>(kind))
        .bind(3, conversation)
        .bind(4, static_cast<std::int64_t>(limit));
    while (row.step()) {
      taken.push_back({row.integer(0), {static_cast<std::uint32_t>(row.integer(1)), row.bytes(2), row.bytes(3)}});
    }
  }
  // Handing out messages that stay queued would deliver them twice.
  if (taken.empty() || !tx.commit()) return {};
  std::sort(taken.begin(), taken.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<WaitingMessage> out;
  out.reserve(taken.size());
  for (auto& [id, message] : taken) out.push_back(std::move(message));
  return out;
}

std::vector<QueuedMessage> WaitingStore::all() {
  std::vector<QueuedMessage> out;
  auto row = db_.prepare("SELECT recipient, kind, conversation, sender, text, time FROM messages ORDER BY id");
  while (row.step()) {
    QueuedMessage m;
    m.recipient = static_cast<std::uint32_t>(row.integer(0));
    m.kind = row.integer(1) == 2 ? ConversationKind::kGroup : ConversationKind::kPrivate;
    m.conversation = static_cast<std::uint32_t>(row.integer(2));
    m.message = {static_cast<std::uint32_t>(row.integer(3)), row.bytes(4), row.bytes(5)};
    out.push_back(std::move(m));
  }
  return out;
}

}  // namespace kiv::server
