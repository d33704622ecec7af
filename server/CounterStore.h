#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace kiv::server {

// The counters the sign-in throttle and the send quotas keep, by key (such
// as "login:<phone>" or "send:<UserId>"). Kept behind this interface so that
// they can live where several server processes share them; every call is one
// atomic step, so the policies above need no lock of their own. Times are
// milliseconds on one clock that the caller gives.
class CounterStore {
 public:
  using Millis = std::chrono::milliseconds;

  // Failures counted under a key: how many, and when the last one was.
  struct Failures {
    int count = 0;
    Millis last{0};
  };

  virtual ~CounterStore() = default;

  // The failures under `key`, none when the last is older than `forgetAfter`.
  virtual Failures failures(const std::string& key, Millis now, Millis forgetAfter) = 0;
  // Counts one more failure (after forgetting old ones) and returns the count.
  virtual Failures addFailure(const std::string& key, Millis now, Millis forgetAfter) = 0;
  // Forgets the failures (and a mark) under `key`.
  virtual void clear(const std::string& key) = 0;

  // Marks `key` as seen now, for `keepFor`; true when it is marked.
  virtual void mark(const std::string& key, Millis now, Millis keepFor) = 0;
  virtual bool marked(const std::string& key, Millis now) = 0;

  // A token bucket under `key` holding at most `burst` tokens, refilled at
  // `perSecond`, full when first used. Takes `cost` tokens and returns true
  // when there are that many; takes nothing and returns false otherwise.
  virtual bool take(const std::string& key, double cost, double burst, double perSecond, Millis now) = 0;
};

}  // namespace kiv::server
