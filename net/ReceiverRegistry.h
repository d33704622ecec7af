#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "net/ResponseReceiver.h"

namespace kiv {

// The open receivers of answers, by handle. Requests name their receiver by
// handle, never by address: a receiver that has gone away is simply not found
// when its answer arrives, and one that is found is kept alive (shared
// ownership) for the whole call.
//
// Windows register a small proxy that forwards to the window on the UI thread
// and checks there that the window still exists; so removing a receiver never
// waits for a delivery, and a window can close while its answer is on the way.
class ReceiverRegistry {
 public:
  // The process-wide registry the NetClient delivers through.
  static ReceiverRegistry& global();

  ReceiverHandle add(std::shared_ptr<ResponseReceiver> receiver);
  void remove(ReceiverHandle handle);
  // The receiver, or nullptr when the handle is 0, unknown or removed.
  std::shared_ptr<ResponseReceiver> find(ReceiverHandle handle) const;

  // Looks the handle up and calls its OnServerResponse. False when there is
  // no such receiver (the answer is dropped).
  bool deliver(ReceiverHandle handle, const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
               std::uint32_t command) const;

 private:
  mutable std::mutex mutex_;
  std::unordered_map<ReceiverHandle, std::shared_ptr<ResponseReceiver>> receivers_;
  ReceiverHandle next_ = 1;
};

}  // namespace kiv
