#pragma once

namespace kiv {

// The sign-in the session runs before the main window shows itself (the
// login window).
class SignInWindow {
 public:
  virtual ~SignInWindow() = default;

  // Runs modally; true once signed in (the own profile and the first friend
  // list have arrived), false when the user gave up.
  virtual bool runSignIn() = 0;

  // The session has put a friend list into the model (UI thread).
  virtual void friendListApplied() = 0;
};

}  // namespace kiv
