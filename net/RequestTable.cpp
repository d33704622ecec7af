#include "net/RequestTable.h"

#include <cstring>

namespace kiv {

RequestTable::RequestTable() : slots_(std::make_unique<PendingRequest[]>(kSlots)) {}

int RequestTable::enqueue(int length, ReceiverHandle asker, const std::uint8_t* packet) {
  if (length < static_cast<int>(kHeaderSize) || length > static_cast<int>(kMaxPacketSize) || packet == nullptr)
    return -1;
  if (asker == 0) return -2;
  std::lock_guard lock(lock_);
  for (int i = 0; i < kSlots; ++i) {
    PendingRequest& slot = slots_[i];
    if (holds(slot)) continue;
    std::memcpy(slot.packet, packet, static_cast<std::size_t>(length));
    std::memset(slot.packet + length, 0, kMaxPacketSize - static_cast<std::size_t>(length));
    slot.length = length;
    slot.tries = 0;
    slot.deadline = 0;
    slot.asker = asker;
    return 0;
  }
  return 0;  // a full table drops the request without a word
}

int RequestTable::due(std::int32_t now, PendingRequest* out) const {
  std::lock_guard lock(lock_);
  int n = 0;
  for (int i = 0; i < kSlots; ++i) {
    const PendingRequest& slot = slots_[i];
    if (holds(slot) && isDue(now, slot.deadline)) out[n++] = slot;
  }
  return n;
}

PendingRequest* RequestTable::slotOf(const PendingRequest& copy) const {
  for (int i = 0; i < kSlots; ++i) {
    PendingRequest& slot = slots_[i];
    if (holds(slot) && pairs(slot.packet, copy.packet)) return &slot;
  }
  return nullptr;
}

void RequestTable::written(const PendingRequest& copy, std::int32_t now) {
  std::lock_guard lock(lock_);
  if (PendingRequest* slot = slotOf(copy)) {
    slot->deadline = now + kResendDelay;
    ++slot->tries;
  }
}

bool RequestTable::takeAnswered(const std::uint8_t* response, PendingRequest& out) {
  std::lock_guard lock(lock_);
  for (int i = 0; i < kSlots; ++i) {
    PendingRequest& slot = slots_[i];
    // A request abandoned after its last write still pairs until its slot is reused.
    if (slot.length == 0 || !pairs(slot.packet, response)) continue;
    out = slot;
    slot.length = 0;
    return true;
  }
  return false;
}

int RequestTable::inUse() const {
  std::lock_guard lock(lock_);
  int n = 0;
  for (int i = 0; i < kSlots; ++i) n += holds(slots_[i]) ? 1 : 0;
  return n;
}

}  // namespace kiv
