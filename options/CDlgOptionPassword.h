#pragma once

#include <string>

#include "options/COptionPage.h"

class QLabel;
class QLineEdit;

namespace kiv {

class CBitButtonNL;
class CMacProgressCtrl;
struct ChangePasswordRequest;
struct ChangePasswordResponse;
struct ClientSession;

// The "密码安全" page: checks the three entries, asks the server to change
// the password and tells the user its answer. After a change the new
// password is the one the client signs in with from then on: in memory, on
// the connection (its next sign-in), and in the login store when the account
// keeps its password there.
class CDlgOptionPassword : public COptionPage {
  Q_OBJECT
 public:
  static constexpr int kOldId = 1043;
  static constexpr int kNewId = 1044;
  static constexpr int kConfirmationId = 1045;
  static constexpr int kConfirmId = 1;
  static constexpr int kCancelId = 2;
  static constexpr int kProgressId = 1071;
  static constexpr int kProgressLabelId = 1072;
  static constexpr int kMaxLength = 10;

  CDlgOptionPassword(ClientSession& session, QWidget* parent);

  // "确定": checks, then sends the request and shows the busy bar.
  void confirm();
  // "取消" and the options window's close: empty entries, no busy bar.
  void reset();
  // A request is on its way and no answer came yet.
  bool waiting() const { return waiting_; }

 private:
  static std::string answerText(const ChangePasswordResponse& reply);
  void answered(const ChangePasswordRequest& asked, const ChangePasswordResponse& reply);
  void adoptPassword(const std::string& password);

  ClientSession& session_;
  bool waiting_ = false;
  QLineEdit* old_ = nullptr;
  QLineEdit* new_ = nullptr;
  QLineEdit* confirmation_ = nullptr;
  CBitButtonNL* confirm_ = nullptr;
  CBitButtonNL* cancel_ = nullptr;
  CMacProgressCtrl* progress_ = nullptr;
  QLabel* progressLabel_ = nullptr;
};

}  // namespace kiv
