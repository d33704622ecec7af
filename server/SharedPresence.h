#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>

namespace kiv::server {

class PgDatabase;

// Who is signed in on any of the server processes that share one PostgreSQL
// database, and the news that an account signed in on another one.
//
// Each process writes its sessions into the database and says so with a
// NOTIFY; every process LISTENs, so a sign-in elsewhere reaches the process
// that holds the account's older session at once (it then sends that client
// its unasked logout answer) and every process's picture of who is online
// is current within that moment. A process says it is alive once a second;
// the sessions of one that stopped saying so (killed, its machine gone)
// count as signed out after a few seconds, and the picture is read afresh
// from the database every few seconds, so nothing depends on a notification
// arriving.
class SharedPresence {
 public:
  using Elsewhere = std::function<void(std::uint32_t userId)>;

  // `elsewhere` is called on this object's own thread.
  SharedPresence(std::string location, Elsewhere elsewhere);
  ~SharedPresence();

  bool start(std::string* error);
  // Ends the thread and removes this process's sessions. Idempotent.
  void stop();

  void signedIn(std::uint32_t userId);
  void signedOut(std::uint32_t userId);
  // Signed in on any live process, as last seen.
  bool isOnline(std::uint32_t userId) const;

  const std::string& instance() const { return instance_; }

 private:
  void run();
  void heartbeat();
  void refresh();
  void consumeNotifications();

  const std::string location_;
  const Elsewhere elsewhere_;
  std::string instance_;
  std::string channel_;
  std::unique_ptr<PgDatabase> writer_;    // sign-ins and sign-outs, under writerMutex_
  std::unique_ptr<PgDatabase> listener_;  // the thread's own
  std::mutex writerMutex_;
  mutable std::mutex onlineMutex_;
  std::unordered_set<std::uint32_t> online_;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace kiv::server
