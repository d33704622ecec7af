#pragma once

#include <cstdint>

#include "net/Packet.h"

namespace kiv {

// A handle naming the receiver of an answer in the ReceiverRegistry. 0 names
// no receiver. Handles are never reused within a process.
using ReceiverHandle = std::uint64_t;

// One slot of the request table: a stored copy of a request that awaits its
// answer.
struct PendingRequest {
  std::uint8_t packet[kMaxPacketSize] = {};
  std::int32_t length = 0;    // 0: the slot holds no request
  std::int32_t tries = 0;     // writes so far
  std::int32_t deadline = 0;  // time-stamp integer at or after which it is (re)sent
  ReceiverHandle asker = 0;
};

}  // namespace kiv
