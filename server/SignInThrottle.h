#pragma once

#include <string>
#include <string_view>

#include "server/CounterStore.h"
#include "server/ServerOptions.h"

namespace kiv::server {

// Slows password guessing on both ports. Failed sign-ins are counted per
// account and per source address; past a number of free failures each one
// doubles the time before the next attempt is checked at all, up to the
// longest wait (a temporary lock). Success forgets the account's failures
// and remembers the address as its owner's: the owner signing in from there
// is not held back by failures others caused from elsewhere, so an attacker
// cannot lock the owner out. An address's failures are only forgotten with
// time, so signing in to an account of one's own does not reset them.
class SignInThrottle {
 public:
  SignInThrottle(CounterStore& counters, const SignInLimits& limits) : counters_(counters), limits_(limits) {}

  // How long an attempt for `phone` from `address` must still wait before its
  // password is checked; zero when it may be checked now.
  Millis wait(std::string_view phone, std::string_view address);
  // A failed attempt. `knownAccount` is false for a phone that is nobody's:
  // then only the address is counted.
  void failed(std::string_view phone, bool knownAccount, std::string_view address);
  void succeeded(std::string_view phone, std::string_view address);

  const SignInLimits& limits() const { return limits_; }

 private:
  Millis waitFor(const std::string& key, int freeFailures, Millis now);

  CounterStore& counters_;
  SignInLimits limits_;
};

// Now on the clock the throttle and the quotas count with.
Millis counterNow();

}  // namespace kiv::server
