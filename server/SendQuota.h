#pragma once

#include <cstddef>
#include <cstdint>

#include "server/CounterStore.h"
#include "server/ServerOptions.h"

namespace kiv::server {

// What one signed-in user may send: messages in a burst and then at a steady
// rate, and likewise the waiting records they make (a long text to a big
// group makes thousands), so that one account cannot fill the database or
// keep the server's writer busy for everybody else.
class SendQuota {
 public:
  SendQuota(CounterStore& counters, const Quotas& quotas) : counters_(counters), quotas_(quotas) {}

  // True, and the allowance used, when `sender` may send one more message;
  // asked before the message is looked at, so a flood of refused sends
  // costs next to nothing.
  bool allowMessage(std::uint32_t sender);
  // Then: true, and the allowance used, when it may make `rows` records.
  bool allowRows(std::uint32_t sender, std::size_t rows);

 private:
  CounterStore& counters_;
  Quotas quotas_;
};

}  // namespace kiv::server
