#pragma once

#include <QPointer>
#include <atomic>
#include <functional>

#include "net/NetObserver.h"

namespace kiv {

class CKivDlg;

// The main window's ear on the connection. Each event arrives on the
// receive thread, is carried over to the user-interface thread and handled
// there while the receive thread waits, so the model takes one change at a
// time, whole and in order. Once the window is gone the events are dropped.
class MainWindowLink : public NetObserver {
 public:
  explicit MainWindowLink(CKivDlg* window);

  // From now on every event is dropped on the receive thread itself, without
  // waiting for the UI thread: the program is ending, and that thread may be
  // about to wait for the connection's threads.
  void detach() { detached_ = true; }

  // Runs `work` on the UI thread while the window lives, and waits for it;
  // nothing runs once the window is gone or the link detached.
  void runOnUi(const std::function<void()>& work);

  void onOwnProfile(const UserInfoResponse& profile) override;
  void onGroupList(const GroupListResponse& groups) override;
  void onNotice(const MessageNotice& notice) override;
  void onLoginRefused(int result, const std::string& text) override;
  void onConnectionEnded(LogoutState state) override;

 private:
  // Runs `work` with the window on the UI thread and waits for it.
  template <class Work>
  void onUi(Work&& work);

  QPointer<CKivDlg> window_;  // read on the UI thread only
  std::atomic<bool> detached_{false};
};

}  // namespace kiv
