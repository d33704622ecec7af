#include "server/AnswerStore.h"

#include "net/Packet.h"
#include "server/StoreRows.h"

namespace kiv::server {

namespace {

// Command, account, time stamp and sequence: what tells requests apart.
std::string_view headerOf(std::string_view request) {
  return request.size() >= kHeaderSize ? request.substr(4, kHeaderSize - 4) : request;
}

}  // namespace

std::optional<std::string> AnswerStore::givenAnswer(std::uint32_t userId, std::string_view request, std::int64_t now) {
  auto row = db_.prepare("SELECT request, answer FROM given_answers WHERE user_id = ? AND header = ? AND at >= ?");
  row.bind(1, userId).bindBytes(2, headerOf(request)).bind(3, now - kKeptSeconds);
  if (!row.step() || row.bytes(0) != request) return std::nullopt;
  return row.bytes(1);
}

bool AnswerStore::rememberAnswer(std::uint32_t userId, std::string_view request, std::string_view answer,
                                 std::int64_t now, std::size_t keep) {
  // Old answers go once a minute, not with every request.
  if (now - lastPrune_ >= 60) {
    db_.prepare("DELETE FROM given_answers WHERE at < ?").bind(1, now - kKeptSeconds).run();
    lastPrune_ = now;
  }
  // Removed and added rather than replaced, so that it counts as the newest.
  return db_.prepare("DELETE FROM given_answers WHERE user_id = ? AND header = ?")
             .bind(1, userId)
             .bindBytes(2, headerOf(request))
             .run() &&
         db_.prepare("INSERT INTO given_answers(user_id, header, at, request, answer) VALUES(?, ?, ?, ?, ?)")
             .bind(1, userId)
             .bindBytes(2, headerOf(request))
             .bind(3, now)
             .bindBytes(4, request)
             .bindBytes(5, answer)
             .run() &&
         // Only the newest answers of a user are kept: a client repeats only
         // what is still in its table of outstanding requests.
         db_.prepare(
                "DELETE FROM given_answers WHERE user_id = ? AND rowid <= "
                "(SELECT rowid FROM given_answers WHERE user_id = ? ORDER BY rowid DESC LIMIT 1 OFFSET ?)")
             .bind(1, userId)
             .bind(2, userId)
             .bind(3, static_cast<std::int64_t>(keep))
             .run();
}

std::size_t AnswerStore::keptAnswerCount(std::uint32_t userId) {
  return rows::count(db_, "SELECT COUNT(*) FROM given_answers WHERE user_id = ?", userId);
}

}  // namespace kiv::server
