#pragma once

#include <memory>

#include "app/AppSettings.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/NetClient.h"
#include "storage/LocalStores.h"

namespace kiv {

class CDlgLogin;
class CKivDlg;

// The program as a whole: the state every window shares (the one
// connection, the contacts, the local databases, the sign-in texts), the
// main window with its sign-in, and the shutdown of the connection at the
// end. The program lives exactly as long as the main window.
class CKivApp {
 public:
  explicit CKivApp(AppSettings settings = AppSettings::fromEnvironment());
  // Shutdown, if it has not run.
  ~CKivApp();
  CKivApp(const CKivApp&) = delete;
  CKivApp& operator=(const CKivApp&) = delete;

  // Start-up: creates the main window and runs it (the sign-in first);
  // returns when it has ended, with the program's exit code (1, after a
  // box that says so, when there is no directory to keep the data in).
  int InitInstance();

  // Creates the main window and its login window (once). For InitInstance,
  // and for tests that drive the two windows themselves.
  CKivDlg& createWindows();
  CKivDlg* mainWindow() const { return mainWindow_.get(); }
  CDlgLogin* loginWindow() const { return login_; }

  // Ends the program from outside (a termination signal): the main window
  // exits as with "退出", a login window still up closes.
  void requestExit();

  // Ends the connection: logs out a connection still signed in, stops its
  // threads and, unless one waits for this thread, waits for them.
  void Shutdown();

  const AppSettings& settings() const { return settings_; }
  NetClient& net() { return net_; }
  ContactModel& model() { return model_; }
  LocalStores& store() { return store_; }
  ClientSession& session() { return session_; }

 private:
  AppSettings settings_;
  NetClient net_;
  ContactModel model_;
  LocalStores store_;
  ClientSession session_{net_, model_, store_, {}};
  std::unique_ptr<CKivDlg> mainWindow_;
  CDlgLogin* login_ = nullptr;  // a child of the main window
  bool shutDown_ = false;
};

}  // namespace kiv
