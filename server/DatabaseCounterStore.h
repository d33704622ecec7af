#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "server/CounterStore.h"

namespace kiv::server {

class Database;

// The counters in the shared PostgreSQL database, so that the sign-in
// throttle and the send quotas count what an attacker does through every
// server process behind a load balancer. One connection of its own, shared
// by the chat and the web thread. Every call is one statement (the counting
// ones a function that locks its row), so two processes never lose a count.
// When the database cannot be reached a count is not kept and a bucket gives
// nothing: the request it guards cannot be served then anyway.
class DatabaseCounterStore final : public CounterStore {
 public:
  DatabaseCounterStore();
  ~DatabaseCounterStore() override;

  bool open(const std::string& location, std::string* error);

  Failures failures(const std::string& key, Millis now, Millis forgetAfter) override;
  Failures addFailure(const std::string& key, Millis now, Millis forgetAfter) override;
  void clear(const std::string& key) override;
  void mark(const std::string& key, Millis now, Millis keepFor) override;
  bool marked(const std::string& key, Millis now) override;
  bool take(const std::string& key, double cost, double burst, double perSecond, Millis now) override;

 private:
  // Ended rows go once a minute, not with every call.
  void prune(Millis now);

  std::mutex mutex_;
  std::unique_ptr<Database> db_;
  Millis lastPrune_{0};
};

}  // namespace kiv::server
