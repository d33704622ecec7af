#include "server/SendQuota.h"

#include <string>

#include "server/SignInThrottle.h"

namespace kiv::server {

bool SendQuota::allowMessage(std::uint32_t sender) {
  return counters_.take("send:" + std::to_string(sender), 1, quotas_.sendBurst, quotas_.sendPerSecond, counterNow());
}

bool SendQuota::allowRows(std::uint32_t sender, std::size_t rows) {
  return counters_.take("rows:" + std::to_string(sender), static_cast<double>(rows), quotas_.rowsBurst,
                        quotas_.rowsPerSecond, counterNow());
}

}  // namespace kiv::server
