#pragma once

#include <string>

#include "net/GroupListMessages.h"
#include "net/LogoutState.h"
#include "net/MessageNotice.h"
#include "net/UserInfoMessages.h"

namespace kiv {

// What the NetClient tells the program about the connection. Every call comes
// from the NetClient's receive thread, which waits until the call returns; an
// implementation that hands the work to a UI thread may block for it (the
// NetClient never waits for its receive thread while holding the UI thread up
// in a way that could deadlock: Start, GoOffline and Shutdown leave a thread
// that is inside one of these calls alone).
class NetObserver {
 public:
  virtual ~NetObserver() = default;

  // The server accepted the login (the own-profile request is queued).
  virtual void onLoginSucceeded() {}
  // The server refused the login (result 1-5); `text` (UTF-8) is what the
  // user is to be told. The client stops after this call.
  virtual void onLoginRefused(int /*result*/, const std::string& /*text*/) {}
  // The own profile that follows every successful login (status 0 only).
  virtual void onOwnProfile(const UserInfoResponse& /*profile*/) {}
  // One conversation with waiting messages, from a notice poll.
  virtual void onNotice(const MessageNotice& /*notice*/) {}
  // The group list that arrives every two minutes.
  virtual void onGroupList(const GroupListResponse& /*groups*/) {}
  // The receive thread ended on its own: tries exhausted, login refused or
  // abandoned (kNone or kBeforeReconnect), or the account was signed in
  // elsewhere (kForcedOffline, to be told with kForcedOfflineText). Not
  // called when the program asked for it (GoOffline, Shutdown).
  virtual void onConnectionEnded(LogoutState /*state*/) {}
};

}  // namespace kiv
