#pragma once

#include <string>

#include "model/AnswerRelay.h"
#include "net/PendingRequest.h"

namespace kiv {

class ContactModel;
class LocalStores;
class NetClient;

// The texts and choices of the current sign-in (GBK), as the login window
// leaves them: the main window remembers the account with them, the avatar
// upload signs its form with them, a password change updates them.
struct LoginChoices {
  std::string phone;
  std::string password;
  bool rememberPassword = false;
  bool autoLogin = false;
};

// What the windows of a signed-in client share: the one connection, the
// contacts, the local databases and the sign-in texts. The application
// object owns the pieces; they outlive every window.
struct ClientSession {
  NetClient& net;
  ContactModel& model;
  LocalStores& store;
  LoginChoices login;

  // Whether the connection still stands; when it has ended, the user is
  // told "请先连接服务器" and nothing should be sent.
  bool connectedOrSay() const;

  // Asks the server over this session's connection, answers typed and on
  // the UI thread.
  AnswerRelay relay() const { return AnswerRelay(net); }
};

}  // namespace kiv
