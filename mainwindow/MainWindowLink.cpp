#include "mainwindow/MainWindowLink.h"

#include <QCoreApplication>

#include "mainwindow/CKivDlg.h"
#include "platform/MessageBox.h"
#include "platform/qtcore/UiThreadCall.h"

namespace kiv {

MainWindowLink::MainWindowLink(CKivDlg* window) : window_(window) {}

template <class Work>
void MainWindowLink::onUi(Work&& work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || detached_) return;
  // The application object outlives any hand-over, so the call is never
  // dropped half-way; the window is checked once the UI thread runs it.
  callOnThreadOf(app, [this, &work] {
    if (CKivDlg* window = window_.data()) work(*window);
  });
}

void MainWindowLink::runOnUi(const std::function<void()>& work) {
  onUi([&](CKivDlg&) { work(); });
}

void MainWindowLink::onOwnProfile(const UserInfoResponse& profile) {
  onUi([&](CKivDlg& window) { window.applyOwnProfile(profile); });
}

void MainWindowLink::onGroupList(const GroupListResponse& groups) {
  onUi([&](CKivDlg& window) { window.applyGroupList(groups); });
}

// Each notice is handled before the next is read: the receive thread waits.
void MainWindowLink::onNotice(const MessageNotice& notice) {
  onUi([&](CKivDlg& window) { window.handleNotice(notice); });
}

// The login window learns of the refusal by the stopped connection, once
// the box is answered.
void MainWindowLink::onLoginRefused(int /*result*/, const std::string& text) {
  onUi([&](CKivDlg&) { showMessage(text); });
}

void MainWindowLink::onConnectionEnded(LogoutState state) {
  onUi([&](CKivDlg& window) { window.connectionEnded(state); });
}

}  // namespace kiv
