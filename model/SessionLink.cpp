#include "model/SessionLink.h"

#include <QCoreApplication>

#include "model/SessionController.h"
#include "platform/MessageBox.h"
#include "platform/qtcore/UiThreadCall.h"

namespace kiv {

template <class Work>
void SessionLink::onUi(Work&& work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || detached_) return;
  // The application object outlives any hand-over, so the call is never
  // dropped half-way; the controller is checked once the UI thread runs it.
  callOnThreadOf(app, [this, &work] {
    if (SessionController* owner = owner_) work(*owner);
  });
}

void SessionLink::runOnUi(const std::function<void()>& work) {
  onUi([&](SessionController&) { work(); });
}

void SessionLink::onOwnProfile(const UserInfoResponse& profile) {
  onUi([&](SessionController& session) { session.applyOwnProfile(profile); });
}

void SessionLink::onGroupList(const GroupListResponse& groups) {
  onUi([&](SessionController& session) { session.applyGroupList(groups); });
}

// Each notice is handled before the next is read: the receive thread waits.
void SessionLink::onNotice(const MessageNotice& notice) {
  onUi([&](SessionController& session) { session.handleNotice(notice); });
}

// The login window learns of the refusal by the stopped connection, once
// the box is answered.
void SessionLink::onLoginRefused(int /*result*/, const std::string& text) {
  onUi([&](SessionController&) { showMessage(text); });
}

void SessionLink::onConnectionEnded(LogoutState state) {
  onUi([&](SessionController& session) { session.connectionEnded(state); });
}

}  // namespace kiv
