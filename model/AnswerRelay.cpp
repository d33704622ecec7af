#include "model/AnswerRelay.h"

#include <QCoreApplication>
#include <algorithm>

#include "net/NetClient.h"
#include "net/ReceiverRegistry.h"
#include "platform/qtcore/UiThreadCall.h"

namespace kiv {
namespace relay_detail {

std::size_t storedLength(const PendingRequest& request) {
  return static_cast<std::size_t>(std::clamp<std::int32_t>(request.length, 0, kMaxPacketSize));
}

Entry::Entry(ReceiverRegistry& registry, QObject* context, bool once)
    : registry_(registry), context_(context), once_(once) {}

Entry::~Entry() = default;

ReceiverHandle Entry::enroll(const std::shared_ptr<Entry>& entry) {
  QObject* context = entry->context_.data();
  if (context == nullptr) return 0;
  ReceiverRegistry* registry = &entry->registry_;
  const ReceiverHandle handle = registry->add(entry);
  entry->handle_ = handle;
  // A window that goes before its answer came takes its asker along, so
  // unanswered requests leave nothing behind.
  entry->watch_ = QObject::connect(context, &QObject::destroyed, [registry, handle] { registry->remove(handle); });
  return handle;
}

void Entry::retire() {
  QObject::disconnect(watch_);
  registry_.remove(handle_);
}

void Entry::OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                             std::uint32_t command) {
  const std::function<void()> work = decode(request, response, size, command);
  QCoreApplication* app = QCoreApplication::instance();
  if (!work || app == nullptr) {
    // Not the answer asked for, or nobody left to tell: the request is
    // answered all the same, nothing more will come for it.
    if (once_) retire();
    return;
  }
  // The registry keeps this entry alive until the call returns, and the
  // call returns only after the UI thread ran it, so every answer is
  // handled whole and in order. The application object is the context of
  // the hop: unlike the window it outlives the delivery, which must always
  // reach the check below.
  callOnThreadOf(app, [&] {
    if (context_) work();
    if (once_) retire();
  });
}

}  // namespace relay_detail

AnswerRelay::AnswerRelay(NetClient& net) : AnswerRelay(net, ReceiverRegistry::global()) {}

AnswerRelay::AnswerRelay(NetClient& net, ReceiverRegistry& registry) : net_(&net), registry_(&registry) {}

HeaderKey AnswerRelay::newKey() const {
  return net_->newKey();
}

bool AnswerRelay::enqueue(const std::shared_ptr<relay_detail::Entry>& entry, const std::vector<std::uint8_t>& packet) {
  const ReceiverHandle handle = relay_detail::Entry::enroll(entry);
  if (handle == 0) return false;
  if (net_->Enqueue(packet, handle) == 0) return true;
  entry->retire();
  return false;
}

}  // namespace kiv
