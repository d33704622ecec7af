#include "skin/DialogResponseProxy.h"

#include <QCoreApplication>

#include "platform/qtcore/UiThreadCall.h"
#include "skin/CDlgBasic.h"

namespace kiv {

DialogResponseProxy::DialogResponseProxy(CDlgBasic* dialog) : dialog_(dialog) {}

void DialogResponseProxy::deliverHere(const PendingRequest& request, const std::uint8_t* response,
                                      std::uint32_t size, std::uint32_t command) {
  if (CDlgBasic* dialog = dialog_.data()) dialog->OnServerResponse(request, response, size, command);
}

void DialogResponseProxy::OnServerResponse(const PendingRequest& request, const std::uint8_t* response,
                                           std::uint32_t size, std::uint32_t command) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;  // shutting down: nobody left to tell
  // The caller keeps the proxy, the request and the packet alive until this
  // returns, and the call returns only after the UI thread ran it. The
  // application object is the context: unlike the dialog, it outlives any
  // delivery, so the call is never silently dropped half-way.
  callOnThreadOf(app, [&] { deliverHere(request, response, size, command); });
}

}  // namespace kiv
