#include "net/ReceiverRegistry.h"

namespace kiv {

ReceiverRegistry& ReceiverRegistry::global() {
  static ReceiverRegistry registry;
  return registry;
}

ReceiverHandle ReceiverRegistry::add(std::shared_ptr<ResponseReceiver> receiver) {
  if (!receiver) return 0;
  std::lock_guard lock(mutex_);
  const ReceiverHandle handle = next_++;
  receivers_.emplace(handle, std::move(receiver));
  return handle;
}

void ReceiverRegistry::remove(ReceiverHandle handle) {
  std::shared_ptr<ResponseReceiver> gone;
  {
    std::lock_guard lock(mutex_);
    auto it = receivers_.find(handle);
    if (it == receivers_.end()) return;
    gone = std::move(it->second);
    receivers_.erase(it);
  }
  // `gone` is released here, outside the lock: its destructor may do work.
}

std::shared_ptr<ResponseReceiver> ReceiverRegistry::find(ReceiverHandle handle) const {
  std::lock_guard lock(mutex_);
  auto it = receivers_.find(handle);
  return it == receivers_.end() ? nullptr : it->second;
}

bool ReceiverRegistry::deliver(ReceiverHandle handle, const PendingRequest& request, const std::uint8_t* response,
                               std::uint32_t size, std::uint32_t command) const {
  const std::shared_ptr<ResponseReceiver> receiver = find(handle);
  if (!receiver) return false;
  receiver->OnServerResponse(request, response, size, command);
  return true;
}

}  // namespace kiv
