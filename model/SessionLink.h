#pragma once

#include <atomic>
#include <functional>

#include "net/NetObserver.h"

namespace kiv {

class SessionController;

// The session's ear on the connection: its observer. Each event arrives on
// the receive thread, is carried over to the UI thread and handled there while
// the receive thread waits, so the model takes one change at a time, whole
// and in order. Once the controller is gone the events are dropped.
class SessionLink : public NetObserver {
 public:
  explicit SessionLink(SessionController* owner) : owner_(owner) {}

  // From now on every event is dropped on the receive thread itself, without
  // waiting for the UI thread: the program is ending, and that thread may be
  // about to wait for the connection's threads.
  void detach() { detached_ = true; }
  // The controller is going (UI thread): nothing reaches it any more.
  void forget() { owner_ = nullptr; }

  // Runs `work` on the UI thread while the controller lives, and waits for
  // it; nothing runs once it is gone or the link detached.
  void runOnUi(const std::function<void()>& work);

  void onOwnProfile(const UserInfoResponse& profile) override;
  void onGroupList(const GroupListResponse& groups) override;
  void onNotice(const MessageNotice& notice) override;
  void onLoginRefused(int result, const std::string& text) override;
  void onConnectionEnded(LogoutState state) override;

 private:
  // Runs `work` with the controller on the UI thread and waits for it.
  template <class Work>
  void onUi(Work&& work);

  SessionController* owner_;  // read and cleared on the UI thread only
  std::atomic<bool> detached_{false};
};

}  // namespace kiv
