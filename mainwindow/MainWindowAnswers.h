#pragma once

#include <QPointer>

#include "net/ResponseReceiver.h"

namespace kiv {

class CKivDlg;

// The main window's asker of raw answers (the friend and member lists, group
// management): registered in the main window's place, it carries each answer
// from the receive thread to the UI thread, waits there until it has been
// handled, and hands it on only if the window still exists by then.
class MainWindowAnswers : public ResponseReceiver {
 public:
  explicit MainWindowAnswers(CKivDlg* window);

  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override;

 private:
  QPointer<CKivDlg> window_;  // read on the UI thread only
};

}  // namespace kiv
