#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "net/PendingRequest.h"

namespace kiv {

// The 50 slots of requests that await an answer. Allocated once; nothing is
// allocated per request. Every access holds the table lock, and no socket
// call ever happens under it.
class RequestTable {
 public:
  static constexpr int kSlots = 50;
  // A request is written at most this many times.
  static constexpr int kMaxWrites = 5;
  // The time-stamp integer must grow by this much before a repeat.
  static constexpr std::int32_t kResendDelay = 30;

  RequestTable();

  // Stores a request in the first slot not in use: 0 (also when every slot is
  // in use and the request is dropped), -1 for a length outside 24..9012, -2
  // without an asker.
  int enqueue(int length, ReceiverHandle asker, const std::uint8_t* packet);

  // The resend pass: copies every due slot into `out` (room for kSlots) and
  // returns how many. Nothing changes until a copy is `written`: a pass cut
  // short by a broken connection must not count writes that never happened,
  // or a request queued while the server is away is given up unsent.
  int due(std::int32_t now, PendingRequest* out) const;
  // `copy` went out: its slot (if no answer freed it meanwhile) waits
  // kResendDelay for the next write and counts one write more.
  void written(const PendingRequest& copy, std::int32_t now);

  // Pairing: the first slot holding a request whose bytes 8..23 equal the
  // response's is copied into `out` and freed. False when none pairs.
  bool takeAnswered(const std::uint8_t* response, PendingRequest& out);

  // Due when the clock reached the deadline, or when it stands before the
  // last write: the time stamp carries no year and restarts at New Year, so
  // a deadline set in December would otherwise wait for a whole year.
  static bool isDue(std::int32_t now, std::int32_t deadline) {
    return now >= deadline || now < deadline - kResendDelay;
  }

  int inUse() const;

 private:
  // In use while it holds a request that has not yet been written kMaxWrites times.
  static bool holds(const PendingRequest& slot) { return slot.length != 0 && slot.tries < kMaxWrites; }

  // The slot in use that holds the request of `copy`; the lock is held.
  PendingRequest* slotOf(const PendingRequest& copy) const;

  mutable std::mutex lock_;
  std::unique_ptr<PendingRequest[]> slots_;
};

}  // namespace kiv
