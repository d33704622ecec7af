#include "server/SignInThrottle.h"

#include <algorithm>

namespace kiv::server {

namespace {

// An address the owner signed in from stays known this long.
constexpr Millis kOwnerAddressKept = std::chrono::hours(24 * 30);

std::string accountKey(std::string_view phone) {
  return "login:" + std::string(phone);
}
std::string addressKey(std::string_view address) {
  return "login-from:" + std::string(address);
}
std::string ownerKey(std::string_view phone, std::string_view address) {
  return "owner:" + std::string(phone) + "@" + std::string(address);
}

}  // namespace

Millis counterNow() {
  // The wall clock: counters kept in a shared database are counted by the
  // clocks of several machines, which agree on it (NTP) and on nothing else.
  return std::chrono::duration_cast<Millis>(std::chrono::system_clock::now().time_since_epoch());
}

Millis SignInThrottle::waitFor(const std::string& key, int freeFailures, Millis now) {
  const auto f = counters_.failures(key, now, limits_.forgetAfter);
  if (f.count <= freeFailures) return Millis(0);
  // 1 s after the first failure past the free ones, then doubling.
  const int doublings = std::min(f.count - freeFailures - 1, 30);
  const Millis delay = std::min<Millis>(Millis(1000LL << doublings), limits_.longestWait);
  return std::max(Millis(0), f.last + delay - now);
}

Millis SignInThrottle::wait(std::string_view phone, std::string_view address) {
  const Millis now = counterNow();
  Millis wait = waitFor(addressKey(address), limits_.addressFreeFailures, now);
  if (!counters_.marked(ownerKey(phone, address), now)) {
    wait = std::max(wait, waitFor(accountKey(phone), limits_.accountFreeFailures, now));
  }
  return wait;
}

void SignInThrottle::failed(std::string_view phone, bool knownAccount, std::string_view address) {
  const Millis now = counterNow();
  counters_.addFailure(addressKey(address), now, limits_.forgetAfter);
  if (knownAccount) counters_.addFailure(accountKey(phone), now, limits_.forgetAfter);
}

void SignInThrottle::succeeded(std::string_view phone, std::string_view address) {
  counters_.clear(accountKey(phone));
  counters_.mark(ownerKey(phone, address), counterNow(), kOwnerAddressKept);
}

}  // namespace kiv::server
