#include "server/DatabaseCounterStore.h"

#include <cmath>

#include "server/Database.h"

namespace kiv::server {

namespace {

std::int64_t millionths(double value) {
  return static_cast<std::int64_t>(std::llround(value * 1e6));
}

}  // namespace

DatabaseCounterStore::DatabaseCounterStore() = default;
DatabaseCounterStore::~DatabaseCounterStore() = default;

bool DatabaseCounterStore::open(const std::string& location, std::string* error) {
  std::lock_guard lock(mutex_);
  db_ = Database::open(location, error);
  // Counts need not wait for the disk (their table is not even logged).
  return db_ != nullptr && db_->exec("SET synchronous_commit = off");
}

void DatabaseCounterStore::prune(Millis now) {
  if (now - lastPrune_ < std::chrono::minutes(1)) return;
  lastPrune_ = now;
  db_->prepare("DELETE FROM counters WHERE ends <= ?").bind(1, now.count()).run();
}

CounterStore::Failures DatabaseCounterStore::failures(const std::string& key, Millis now, Millis forgetAfter) {
  std::lock_guard lock(mutex_);
  if (!db_) return {};
  auto row = db_->prepare("SELECT failures, last_failure FROM counters WHERE key = ? AND ends > ?");
  row.bindBytes(1, key).bind(2, now.count());
  if (!row.step()) return {};
  const Failures f{static_cast<int>(row.integer(0)), Millis(row.integer(1))};
  return now - f.last >= forgetAfter ? Failures{} : f;
}

CounterStore::Failures DatabaseCounterStore::addFailure(const std::string& key, Millis now, Millis forgetAfter) {
  std::lock_guard lock(mutex_);
  if (!db_) return {};
  prune(now);
  auto row = db_->prepare("SELECT counter_fail(?, ?, ?)");
  row.bindBytes(1, key).bind(2, now.count()).bind(3, forgetAfter.count());
  if (!row.step()) return {};
  return {static_cast<int>(row.integer(0)), now};
}

void DatabaseCounterStore::clear(const std::string& key) {
  std::lock_guard lock(mutex_);
  if (db_) db_->prepare("DELETE FROM counters WHERE key = ?").bindBytes(1, key).run();
}

void DatabaseCounterStore::mark(const std::string& key, Millis now, Millis keepFor) {
  std::lock_guard lock(mutex_);
  if (!db_) return;
  // An ended row is as good as none: its old failures go with the new mark.
  db_->prepare(
         "INSERT INTO counters(key, ends) VALUES(?, ?) ON CONFLICT(key) DO UPDATE SET "
         "failures = CASE WHEN counters.ends <= ? THEN 0 ELSE counters.failures END, "
         "ends = GREATEST(counters.ends, excluded.ends)")
      .bindBytes(1, key)
      .bind(2, (now + keepFor).count())
      .bind(3, now.count())
      .run();
}

bool DatabaseCounterStore::marked(const std::string& key, Millis now) {
  std::lock_guard lock(mutex_);
  if (!db_) return false;
  auto row = db_->prepare("SELECT 1 FROM counters WHERE key = ? AND ends > ?");
  row.bindBytes(1, key).bind(2, now.count());
  return row.step();
}

bool DatabaseCounterStore::take(const std::string& key, double cost, double burst, double perSecond, Millis now) {
  std::lock_guard lock(mutex_);
  if (!db_) return false;
  prune(now);
  auto row = db_->prepare("SELECT counter_take(?, ?, ?, ?, ?)");
  row.bindBytes(1, key)
      .bind(2, millionths(cost))
      .bind(3, millionths(burst))
      .bind(4, millionths(perSecond))
      .bind(5, now.count());
  return row.step() && row.integer(0) == 1;
}

}  // namespace kiv::server
