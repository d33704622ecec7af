#include <algorithm>

#include "net/Packet.h"
#include "server/Store.h"

namespace kiv::server {

// ---- messages ----

bool Store::queueMessage(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation,
                         std::uint32_t sender, const std::vector<std::string>& records, std::string_view time) {
  std::size_t bytes = 0;
  for (const auto& text : records) {
    bytes += text.size();
    const bool added =
        db_->prepare("INSERT INTO messages(recipient, kind, conversation, sender, text, time) VALUES(?, ?, ?, ?, ?, ?)")
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
      ->prepare(
          "INSERT INTO waiting_totals(recipient, records, bytes) VALUES(?, ?, ?) "
          "ON CONFLICT(recipient) DO UPDATE SET records = records + excluded.records, bytes = bytes + excluded.bytes")
      .bind(1, recipient)
      .bind(2, static_cast<std::int64_t>(records.size()))
      .bind(3, static_cast<std::int64_t>(bytes))
      .run();
}

WaitingTotals Store::waitingTotals(std::uint32_t recipient) {
  auto row = db_->prepare("SELECT records, bytes FROM waiting_totals WHERE recipient = ?");
  row.bind(1, recipient);
  if (!row.step()) return {};
  return {static_cast<std::size_t>(std::max<std::int64_t>(0, row.integer(0))),
          static_cast<std::size_t>(std::max<std::int64_t>(0, row.integer(1)))};
}

std::vector<WaitingConversation> Store::waitingConversations(std::uint32_t recipient, std::size_t limit) {
  std::vector<WaitingConversation> out;
  auto row = db_->prepare(
      "SELECT kind, conversation, COUNT(*), MIN(id) AS first FROM messages WHERE recipient = ? "
      "GROUP BY kind, conversation ORDER BY first LIMIT ?");
  row.bind(1, recipient).bind(2, static_cast<std::int64_t>(limit));
  while (row.step()) {
    out.push_back({row.integer(0) == 2 ? ConversationKind::kGroup : ConversationKind::kPrivate,
                   static_cast<std::uint32_t>(row.integer(1)), static_cast<std::size_t>(row.integer(2))});
  }
  return out;
}

std::vector<WaitingMessage> Store::takeMessages(std::uint32_t recipient, ConversationKind kind,
                                                std::uint32_t conversation, std::size_t limit) {
  std::vector<WaitingMessage> out;
  auto tx = transaction();
  std::int64_t last = -1;
  {
    auto row = db_->prepare(
        "SELECT id, sender, text, time FROM messages WHERE recipient = ? AND kind = ? AND conversation = ? "
        "ORDER BY id LIMIT ?");
    row.bind(1, recipient)
        .bind(2, static_cast<int>(kind))
        .bind(3, conversation)
        .bind(4, static_cast<std::int64_t>(limit));
    while (row.step()) {
      last = row.integer(0);
      out.push_back({static_cast<std::uint32_t>(row.integer(1)), row.bytes(2), row.bytes(3)});
    }
  }
  if (last >= 0) {
    const bool removed =
        db_->prepare("DELETE FROM messages WHERE recipient = ? AND kind = ? AND conversation = ? AND id <= ?")
            .bind(1, recipient)
            .bind(2, static_cast<int>(kind))
            .bind(3, conversation)
            .bind(4, last)
            .run();
    // Handing out messages that stay queued would deliver them twice.
    if (!removed || !tx.commit()) return {};
  }
  return out;
}

std::vector<Store::QueuedMessage> Store::allWaiting() {
  std::vector<QueuedMessage> out;
  auto row = db_->prepare("SELECT recipient, kind, conversation, sender, text, time FROM messages ORDER BY id");
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

// ---- answers given ----

namespace {

// Command, account, time stamp and sequence: what tells requests apart.
std::string_view headerOf(std::string_view request) {
  return request.size() >= kHeaderSize ? request.substr(4, kHeaderSize - 4) : request;
}

}  // namespace

std::optional<std::string> Store::givenAnswer(std::uint32_t userId, std::string_view request, std::int64_t now) {
  auto row = db_->prepare("SELECT request, answer FROM given_answers WHERE user_id = ? AND header = ? AND at >= ?");
  row.bind(1, userId).bindBytes(2, headerOf(request)).bind(3, now - kAnswerKeptSeconds);
  if (!row.step() || row.bytes(0) != request) return std::nullopt;
  return row.bytes(1);
}

bool Store::rememberAnswer(std::uint32_t userId, std::string_view request, std::string_view answer, std::int64_t now,
                           std::size_t keep) {
  // Old answers go once a minute, not with every request.
  if (now - lastPrune_ >= 60) {
    db_->prepare("DELETE FROM given_answers WHERE at < ?").bind(1, now - kAnswerKeptSeconds).run();
    lastPrune_ = now;
  }
  return db_->prepare("INSERT OR REPLACE INTO given_answers(user_id, header, at, request, answer) VALUES(?, ?, ?, ?, ?)")
             .bind(1, userId)
             .bindBytes(2, headerOf(request))
             .bind(3, now)
             .bindBytes(4, request)
             .bindBytes(5, answer)
             .run() &&
         // Only the newest answers of a user are kept: a client repeats only
         // what is still in its table of outstanding requests.
         db_->prepare(
                "DELETE FROM given_answers WHERE user_id = ? AND rowid <= "
                "(SELECT rowid FROM given_answers WHERE user_id = ? ORDER BY rowid DESC LIMIT 1 OFFSET ?)")
             .bind(1, userId)
             .bind(2, userId)
             .bind(3, static_cast<std::int64_t>(keep))
             .run();
}

std::size_t Store::keptAnswerCount(std::uint32_t userId) {
  return count("SELECT COUNT(*) FROM given_answers WHERE user_id = ?", userId);
}

}  // namespace kiv::server
