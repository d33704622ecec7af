#include "server/MemoryCounterStore.h"

#include <algorithm>
#include <vector>

namespace kiv::server {

MemoryCounterStore::Entry& MemoryCounterStore::entry(const std::string& key, Millis now) {
  auto found = entries_.find(key);
  if (found != entries_.end()) {
    if (found->second.ends > now) return found->second;
    found->second = Entry{};
    return found->second;
  }
  if (entries_.size() >= capacity_) makeRoom(now);
  return entries_[key];
}

void MemoryCounterStore::makeRoom(Millis now) {
  std::erase_if(entries_, [&](const auto& item) { return item.second.ends <= now; });
  if (entries_.size() < capacity_) return;
  // Still full of live entries: the tenth that ends soonest goes.
  std::vector<Millis> ends;
  ends.reserve(entries_.size());
  for (const auto& [key, e] : entries_) ends.push_back(e.ends);
  auto cut = ends.begin() + static_cast<std::ptrdiff_t>(ends.size() / 10);
  std::nth_element(ends.begin(), cut, ends.end());
  const Millis limit = *cut;
  std::erase_if(entries_, [&](const auto& item) { return item.second.ends <= limit; });
}

CounterStore::Failures MemoryCounterStore::failures(const std::string& key, Millis now, Millis forgetAfter) {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(key);
  if (found == entries_.end() || found->second.ends <= now) return {};
  const Failures& f = found->second.failures;
  return now - f.last >= forgetAfter ? Failures{} : f;
}

CounterStore::Failures MemoryCounterStore::addFailure(const std::string& key, Millis now, Millis forgetAfter) {
  std::lock_guard lock(mutex_);
  Entry& e = entry(key, now);
  if (now - e.failures.last >= forgetAfter) e.failures.count = 0;
  ++e.failures.count;
  e.failures.last = now;
  e.ends = std::max(e.ends, now + forgetAfter);
  return e.failures;
}

void MemoryCounterStore::clear(const std::string& key) {
  std::lock_guard lock(mutex_);
  entries_.erase(key);
}

void MemoryCounterStore::mark(const std::string& key, Millis now, Millis keepFor) {
  std::lock_guard lock(mutex_);
  Entry& e = entry(key, now);
  e.ends = std::max(e.ends, now + keepFor);
}

bool MemoryCounterStore::marked(const std::string& key, Millis now) {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(key);
  return found != entries_.end() && found->second.ends > now;
}

bool MemoryCounterStore::take(const std::string& key, double cost, double burst, double perSecond, Millis now) {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(key);
  const bool fresh = found == entries_.end() || found->second.ends <= now;
  Entry& e = entry(key, now);
  if (fresh) {
    e.tokens = burst;
  } else {
    const double seconds = std::chrono::duration<double>(now - e.filled).count();
    e.tokens = std::min(burst, e.tokens + seconds * perSecond);
  }
  e.filled = now;
  const bool allowed = e.tokens >= cost;
  if (allowed) e.tokens -= cost;
  // Once full again the bucket is as good as new.
  const double missing = burst - e.tokens;
  e.ends = now + Millis(static_cast<long long>(missing / perSecond * 1000) + 1);
  return allowed;
}

std::size_t MemoryCounterStore::size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace kiv::server
