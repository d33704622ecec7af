#include "server/SendQuota.h"

#include <string>

#include "server/SignInThrottle.h"

namespace kiv::server {

bool SendQuota::allow(std::uint32_t sender, std::size_t rows) {
  const Millis now = counterNow();
  const std::string id = std::to_string(sender);
  return counters_.take("send:" + id, 1, quotas_.sendBurst, quotas_.sendPerSecond, now) &&
         counters_.take("rows:" + id, static_cast<double>(rows), quotas_.rowsBurst, quotas_.rowsPerSecond, now);
}

}  // namespace kiv::server
