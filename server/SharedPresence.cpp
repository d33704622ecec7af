#include "server/SharedPresence.h"

#include <libpq-fe.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <sstream>

#include "server/PgDatabase.h"

namespace kiv::server {

namespace {

// A process that has not said it is alive for this long is gone.
constexpr std::int64_t kAliveMillis = 5000;
constexpr auto kRefreshEvery = std::chrono::seconds(3);

std::int64_t nowMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// LISTEN takes a name, not a parameter: quoted, any quote in it doubled.
std::string listenStatement(const std::string& channel) {
  std::string quoted;
  for (char c : channel) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return "LISTEN \"" + quoted + "\"";
}

std::string newInstanceName() {
  char host[64] = {};
  ::gethostname(host, sizeof host - 1);
  std::random_device random;
  return std::string(host) + "/" + std::to_string(::getpid()) + "/" + std::to_string(random());
}

}  // namespace

SharedPresence::SharedPresence(std::string location, Elsewhere elsewhere)
    : location_(std::move(location)), elsewhere_(std::move(elsewhere)), instance_(newInstanceName()) {}

SharedPresence::~SharedPresence() {
  stop();
}

bool SharedPresence::start(std::string* error) {
  writer_ = PgDatabase::open(location_, error);
  listener_ = PgDatabase::open(location_, error);
  if (!writer_ || !listener_) return false;
  // Presence need not wait for the disk: after a crash of the database the
  // picture is read afresh, and who is signed in says so again with the next
  // sign-in. Messages and answers keep the database's own setting.
  writer_->exec("SET synchronous_commit = off");
  listener_->exec("SET synchronous_commit = off");
  // One channel per schema: two sites in one database do not hear each other.
  auto schema = listener_->prepare("SELECT current_schema()::bytea");
  channel_ = std::string("kiv_presence.") + (schema.step() ? schema.bytes(0) : std::string());
  if (channel_.size() > 63) channel_.resize(63);  // the longest name PostgreSQL keeps
  if (!listener_->exec(listenStatement(channel_).c_str())) {
    if (error) *error = listener_->lastError();
    return false;
  }
  heartbeat();
  refresh();
  running_ = true;
  thread_ = std::thread([this] { run(); });
  return true;
}

void SharedPresence::stop() {
  if (!running_.exchange(false)) return;
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(writerMutex_);
  writer_->prepare("DELETE FROM sessions WHERE instance = ?").bindBytes(1, instance_).run();
  writer_->prepare("DELETE FROM instances WHERE id = ?").bindBytes(1, instance_).run();
  writer_->prepare("SELECT pg_notify(?, ?)").bindBytes(1, channel_).bindBytes(2, "gone " + instance_).run();
}

void SharedPresence::signedIn(std::uint32_t userId) {
  {
    std::lock_guard lock(onlineMutex_);
    online_.insert(userId);
  }
  std::lock_guard lock(writerMutex_);
  writer_
      ->prepare(
          "INSERT INTO sessions(user_id, instance, since) VALUES(?, ?, ?) "
          "ON CONFLICT(user_id) DO UPDATE SET instance = excluded.instance, since = excluded.since")
      .bind(1, userId)
      .bindBytes(2, instance_)
      .bind(3, nowMillis())
      .run();
  writer_->prepare("SELECT pg_notify(?, ?)")
      .bindBytes(1, channel_)
      .bindBytes(2, "in " + std::to_string(userId) + " " + instance_)
      .run();
}

void SharedPresence::signedOut(std::uint32_t userId) {
  std::lock_guard lock(writerMutex_);
  // Only this process's session: the account may be signed in elsewhere now.
  if (!writer_->prepare("DELETE FROM sessions WHERE user_id = ? AND instance = ?")
           .bind(1, userId)
           .bindBytes(2, instance_)
           .run() ||
      writer_->changes() == 0) {
    return;
  }
  {
    std::lock_guard online(onlineMutex_);
    online_.erase(userId);
  }
  writer_->prepare("SELECT pg_notify(?, ?)")
      .bindBytes(1, channel_)
      .bindBytes(2, "out " + std::to_string(userId) + " " + instance_)
      .run();
}

bool SharedPresence::isOnline(std::uint32_t userId) const {
  std::lock_guard lock(onlineMutex_);
  return online_.count(userId) != 0;
}

void SharedPresence::heartbeat() {
  listener_
      ->prepare(
          "INSERT INTO instances(id, alive_until) VALUES(?, ?) "
          "ON CONFLICT(id) DO UPDATE SET alive_until = excluded.alive_until")
      .bindBytes(1, instance_)
      .bind(2, nowMillis() + kAliveMillis)
      .run();
}

void SharedPresence::refresh() {
  const std::int64_t now = nowMillis();
  // The sessions of processes gone for a minute are of no use to anybody.
  listener_->prepare("DELETE FROM sessions WHERE instance IN (SELECT id FROM instances WHERE alive_until < ?)")
      .bind(1, now - 60'000)
      .run();
  listener_->prepare("DELETE FROM instances WHERE alive_until < ?").bind(1, now - 60'000).run();
  std::unordered_set<std::uint32_t> online;
  auto row = listener_->prepare(
      "SELECT s.user_id FROM sessions s JOIN instances i ON i.id = s.instance WHERE i.alive_until > ?");
  row.bind(1, now);
  bool read = false;
  while (row.step()) {
    read = true;
    online.insert(static_cast<std::uint32_t>(row.integer(0)));
  }
  if (!read && !listener_->lastError().empty() && PQstatus(listener_->connection()) != CONNECTION_OK) return;
  std::lock_guard lock(onlineMutex_);
  online_.swap(online);
}

void SharedPresence::consumeNotifications() {
  PGconn* conn = listener_->connection();
  if (!PQconsumeInput(conn)) return;
  while (PGnotify* notice = PQnotifies(conn)) {
    std::istringstream words(notice->extra);
    PQfreemem(notice);
    std::string what, instance;
    std::uint32_t userId = 0;
    words >> what >> userId >> instance;
    if (what == "in") {
      {
        std::lock_guard lock(onlineMutex_);
        online_.insert(userId);
      }
      if (instance != instance_) elsewhere_(userId);
    } else if (what == "out") {
      std::lock_guard lock(onlineMutex_);
      online_.erase(userId);
    }
  }
}

void SharedPresence::run() {
  auto lastBeat = std::chrono::steady_clock::now();
  auto lastRefresh = lastBeat;
  while (running_) {
    PGconn* conn = listener_->connection();
    if (PQstatus(conn) != CONNECTION_OK) {
      // The database went away: connect again and listen again.
      PQreset(conn);
      if (PQstatus(conn) == CONNECTION_OK) listener_->exec(listenStatement(channel_).c_str());
    }
    pollfd wait{PQsocket(conn), POLLIN, 0};
    if (wait.fd >= 0) ::poll(&wait, 1, 200);
    else std::this_thread::sleep_for(std::chrono::milliseconds(200));
    consumeNotifications();
    const auto now = std::chrono::steady_clock::now();
    if (now - lastBeat >= std::chrono::seconds(1)) {
      lastBeat = now;
      heartbeat();
    }
    if (now - lastRefresh >= kRefreshEvery) {
      lastRefresh = now;
      refresh();
    }
  }
}

}  // namespace kiv::server
