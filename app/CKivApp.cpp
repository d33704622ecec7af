#include "app/CKivApp.h"

#include <QApplication>
#include <chrono>

#include "app/CDlgLogin.h"
#include "app/TerminationSignal.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtMessagePresenter.h"
#include "mainwindow/CKivDlg.h"

namespace kiv {
namespace {

NetClient::Options connectionOptions(const AppSettings& settings) {
  NetClient::Options options;
  options.pauseScale = settings.pace;
  return options;
}

}  // namespace

CKivApp::CKivApp(AppSettings settings) : settings_(std::move(settings)), net_(connectionOptions(settings_)) {}

CKivApp::~CKivApp() {
  Shutdown();
}

CKivDlg& CKivApp::createWindows() {
  if (!mainWindow_) {
    // The main window hides into the notification area and the login
    // window closes before it shows: neither is the program's end.
    QApplication::setQuitOnLastWindowClosed(false);
    mainWindow_ = std::make_unique<CKivDlg>(session_);
    login_ = new CDlgLogin(session_, settings_, mainWindow_.get());
    mainWindow_->setSignInWindow(login_);
  }
  return *mainWindow_;
}

int CKivApp::InitInstance() {
  if (!store_.ResolveProgramPaths()) {
    // No KIV_HOME, no portable folder and no home directory to keep the
    // accounts in: better said than written where others could read them.
    showMessage("找不到保存数据的目录，请设置环境变量 HOME 或 KIV_HOME 后再启动。", MessageButtons::Ok, MessageIcon::Error);
    return 1;
  }
  TerminationSignal termination;
  QObject::connect(&termination, &TerminationSignal::requested, [this] { requestExit(); });
  createWindows().run();
  mainWindow_.reset();
  login_ = nullptr;
  return 0;
}

void CKivApp::requestExit() {
  QtMessagePresenter::dismissOpenBoxes();
  if (login_ != nullptr && login_->isVisible()) {
    login_->reject();
    return;
  }
  if (mainWindow_) mainWindow_->exitProgram();
}

void CKivApp::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  mainWindow_.reset();
  login_ = nullptr;
  net_.Shutdown();
  // Threads let go of by Shutdown (they were handing something to this
  // thread) end as soon as that returns; the program waits a moment for
  // them so that nothing runs while the process tears down.
  net_.waitForThreads(std::chrono::milliseconds(2000));
}

}  // namespace kiv
