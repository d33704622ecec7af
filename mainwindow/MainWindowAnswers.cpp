#include "mainwindow/MainWindowAnswers.h"

#include <QCoreApplication>

#include "mainwindow/CKivDlg.h"
#include "platform/qtcore/UiThreadCall.h"

namespace kiv {

MainWindowAnswers::MainWindowAnswers(CKivDlg* window) : window_(window) {}

void MainWindowAnswers::OnServerResponse(const PendingRequest& request, const std::uint8_t* response,
                                         std::uint32_t size, std::uint32_t command) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;  // shutting down: nobody left to tell
  // The caller keeps this, the request and the packet alive until the call
  // returns, which it does only after the UI thread ran it. The application
  // object is the context: it outlives any delivery, so the call always
  // reaches the check for the window.
  callOnThreadOf(app, [&] {
    if (CKivDlg* window = window_.data()) window->OnServerResponse(request, response, size, command);
  });
}

}  // namespace kiv
