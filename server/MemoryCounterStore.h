#pragma once

#include <mutex>
#include <string>
#include <unordered_map>

#include "server/CounterStore.h"

namespace kiv::server {

// The counters in this process's memory, shared by the chat and the web
// thread. They are lost with a restart, which only lets the delays start
// over; in exchange an attacker's guesses and floods never turn into disk
// writes. Every entry ends when it no longer matters (failures forgotten, a
// bucket full again), and at most `capacity` entries are kept: when that is
// reached the ended ones go, and if that is not enough the oldest.
class MemoryCounterStore final : public CounterStore {
 public:
  explicit MemoryCounterStore(std::size_t capacity = 500'000) : capacity_(capacity) {}

  Failures failures(const std::string& key, Millis now, Millis forgetAfter) override;
  Failures addFailure(const std::string& key, Millis now, Millis forgetAfter) override;
  void clear(const std::string& key) override;
  void mark(const std::string& key, Millis now, Millis keepFor) override;
  bool marked(const std::string& key, Millis now) override;
  bool take(const std::string& key, double cost, double burst, double perSecond, Millis now) override;

  std::size_t size() const;

 private:
  struct Entry {
    Failures failures;
    double tokens = 0;
    Millis filled{0};  // when `tokens` was last brought up to date
    Millis ends{0};    // the entry means nothing from then on
  };
  Entry& entry(const std::string& key, Millis now);
  void makeRoom(Millis now);

  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace kiv::server
