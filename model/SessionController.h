#pragma once

#include <QObject>
#include <cstdint>
#include <memory>

#include "model/MessageService.h"
#include "net/LogoutState.h"
#include "net/PendingRequest.h"

namespace kiv {

class SessionLink;
class SessionView;
class SignInWindow;
struct ClientSession;
struct FriendListResponse;
struct GroupListResponse;
struct MessageNotice;
struct UserInfoResponse;

// The life of a signed-in client apart from its windows: runs the sign-in,
// keeps the contact model in step with the server (the own profile, the
// friend and group lists and every group's members), turns notices into
// stored messages through the message service, decides when the
// connection's look changes, and ends the session in order. The main window
// is its view: it shows what the controller tells it and asks it to act.
//
// From its construction on, the controller is the connection's observer and
// the asker of the lists. UI thread only; the connection's events are
// carried over to it.
class SessionController {
 public:
  explicit SessionController(ClientSession& session);
  ~SessionController();
  SessionController(const SessionController&) = delete;
  SessionController& operator=(const SessionController&) = delete;

  // Both outlive the controller's use of them, or are set back to null.
  void setView(SessionView* view) { view_ = view; }
  void setSignInWindow(SignInWindow* signIn) { signIn_ = signIn; }

  // Opens the login database and runs the sign-in window; false when the
  // sign-in was given up (or there is no window to run it).
  bool signIn();
  // What a sign-in leaves behind: the avatar cache purged, the account
  // remembered, the message store opened, the strangers loaded, the sound
  // and notice switches read; then the notices heard while signing in are
  // handled.
  void afterSignIn();
  bool signedIn() const { return signedIn_; }

  // Stopped: the user went offline or the connection ended by itself.
  bool offline() const;
  // The user's "上线": false (and nothing happens) while still connected.
  bool goOnline();
  // The user's "离线": offline at once, as after a lost connection.
  void goOffline();

  // Signs out, closes every conversation and saves the strangers; from then
  // on nothing the connection says reaches the view. False when the session
  // had ended already.
  bool end();
  bool ended() const { return ended_; }

  MessageService& messages() { return *messages_; }

  // From the connection, on the UI thread.
  void applyOwnProfile(const UserInfoResponse& profile);
  void applyGroupList(const GroupListResponse& groups);
  void handleNotice(const MessageNotice& notice);
  // The connection ended by itself (logout state 0, 1 or 3; the box for 3 is
  // the connection's).
  void connectionEnded(LogoutState state);

 private:
  void applyFriendList(const FriendListResponse& friends);
  bool deliver(const MessageService::Address& to, const MessageService::Batch& batch);

  ClientSession& session_;
  // What the session's answers are asked under: they are dropped once it
  // is gone.
  QObject context_;
  SessionView* view_ = nullptr;
  SignInWindow* signIn_ = nullptr;
  std::shared_ptr<SessionLink> link_;
  ReceiverHandle handle_ = 0;  // the friend lists the connection asks for by itself
  std::unique_ptr<MessageService> messages_;
  bool signedIn_ = false;
  bool ended_ = false;
};

}  // namespace kiv
