#pragma once

#include <QTimer>
#include <cstdint>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "model/RememberedAccounts.h"
#include "model/SignInWindow.h"
#include "skin/CDlgBasic.h"
#include "storage/LocalStores.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kiv {

class CPictureEx;
struct ClientSession;
struct UserInfoResponse;

// The sign-in window: pick a remembered account or type a phone number and
// a password, sign in (or automatically, for the account chosen for it), ask
// for a forgotten password by SMS, forget a remembered account.
//
// It does not talk to the server itself: it gives the connection the account
// and starts it, then watches it on a one-second timer; the own profile and
// the first friend list reach it as answers. It closes with OK once both have
// arrived, after a pause that lets the user see the sign-in finish.
class CDlgLogin : public CDlgBasic, public SignInWindow {
  Q_OBJECT
 public:
  enum Control {
    kPhone = 1015,
    kPassword = 1009,
    kForgotPassword = 1017,
    kLogin = 1,
    kRememberPassword = 1013,
    kAutoLogin = 1014,
    kPicture = 1007,
    kRemoveAccount = 1031,
    kLoggingIn = 1018,
    kAnimation = 1076,
  };
  static constexpr int kPhoneLength = 11;
  static constexpr int kPasswordLength = 15;
  static constexpr int kTimeoutTicks = 50;
  static constexpr int kTickMs = 1000;
  static constexpr int kClosingPauseMs = 3000;

  CDlgLogin(ClientSession& session, AppSettings settings, QWidget* parent = nullptr);
  ~CDlgLogin() override;

  // Fills the remembered accounts and, for the auto-login account, starts
  // signing in at once.
  void OnInitDialog();

  // SignInWindow: OnInitDialog, then runs modally.
  bool runSignIn() override;
  void friendListApplied() override;

  // Button 1: starts the sign-in with the typed account.
  void startLogin();
  bool isLoggingIn() const { return running_; }
  int tickCount() const { return ticks_; }
  // True while the SMS request runs (its button is disabled meanwhile).
  bool isAskingForPassword() const { return smsRunning_; }

 public slots:
  void done(int result) override;

 private:
  // The own profile after a sign-in; one of the signs that it is complete.
  void ownProfileArrived(const UserInfoResponse& profile);
  void buildControls();
  void selectAccount(int index);
  void removeAccount();
  void forgotPassword();
  void onTick();
  // Closes once signed in with the own profile and a friend list.
  void checkSignedIn();
  void finishSignIn();
  void stopLogin(bool timedOut);
  void showInputs(bool inputs);
  void showPicture(std::int32_t userId);
  int paced(int ms) const;

  ClientSession& session_;
  AppSettings settings_;
  RememberedAccounts accounts_;

  QComboBox* phone_ = nullptr;
  QLineEdit* password_ = nullptr;
  QPushButton* forgot_ = nullptr;
  QPushButton* login_ = nullptr;
  QCheckBox* remember_ = nullptr;
  QCheckBox* autoLogin_ = nullptr;
  QLabel* picture_ = nullptr;
  QPushButton* remove_ = nullptr;
  QLabel* loggingIn_ = nullptr;
  CPictureEx* animation_ = nullptr;

  QTimer timer_;
  int ticks_ = 0;
  bool running_ = false;
  bool closing_ = false;
  bool profileArrived_ = false;
  bool friendListArrived_ = false;
  bool smsRunning_ = false;
  std::int32_t pictureOf_ = 0;
};

}  // namespace kiv
