#pragma once

#include <QPointer>

#include "net/ResponseReceiver.h"

namespace kiv {

class CDlgBasic;

// What a dialog registers with the ReceiverRegistry in its place. Answers
// arrive on the connection's receive thread; the proxy carries each one over
// to the user-interface thread, waits there until it has been handled, and
// hands it to the dialog only if the dialog still exists by then. So a dialog
// may close while its answer is on the way, and its widgets are only ever
// touched on their own thread.
class DialogResponseProxy : public ResponseReceiver {
 public:
  explicit DialogResponseProxy(CDlgBasic* dialog);

  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override;

 private:
  void deliverHere(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                   std::uint32_t command);

  QPointer<CDlgBasic> dialog_;  // read on the user-interface thread only
};

}  // namespace kiv
