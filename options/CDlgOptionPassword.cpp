#include "options/CDlgOptionPassword.h"

#include <QLabel>
#include <QLineEdit>

#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/ChangePasswordMessages.h"
#include "net/NetClient.h"
#include "platform/MessageBox.h"
#include "platform/qt/GbkQt.h"
#include "skin/CBitButtonNL.h"
#include "skin/CMacProgressCtrl.h"
#include "storage/LocalStore.h"

namespace kiv {

namespace {

constexpr int kConfirmImages[3] = {232, 232, 233};  // normal, pressed, hover
constexpr int kCancelImages[3] = {206, 206, 207};
constexpr int kEditLeft = 90;
constexpr int kEditWidth = 120;

QLineEdit* makePasswordEdit(QWidget* page, int id, const QString& label, int top) {
  auto* caption = new QLabel(label, page);
  caption->setGeometry(20, top + 2, kEditLeft - 24, 18);
  auto* edit = new QLineEdit(page);
  edit->setProperty("controlId", id);
  edit->setGeometry(kEditLeft, top, kEditWidth, 22);
  edit->setMaxLength(CDlgOptionPassword::kMaxLength);
  edit->setEchoMode(QLineEdit::Password);
  edit->setAccessibleName(label.chopped(1));
  caption->setBuddy(edit);
  return edit;
}

CBitButtonNL* makeButton(QWidget* page, int id, const QString& text, const int (&images)[3], int left) {
  auto* button = new CBitButtonNL(text, page);
  button->setProperty("controlId", id);
  button->setBitmaps(images[0], images[1], images[2]);
  button->setGeometry(left, COptionPage::kHeight - 24 - 20, 72, 24);
  return button;
}

}  // namespace

CDlgOptionPassword::CDlgOptionPassword(ClientSession& session, QWidget* parent)
    : COptionPage(parent), session_(session) {
  old_ = makePasswordEdit(this, kOldId, QStringLiteral("旧密码:"), 26);
  new_ = makePasswordEdit(this, kNewId, QStringLiteral("新密码:"), 62);
  confirmation_ = makePasswordEdit(this, kConfirmationId, QStringLiteral("确认密码:"), 98);

  progressLabel_ = new QLabel(QStringLiteral("正在通讯中:"), this);
  progressLabel_->setProperty("controlId", kProgressLabelId);
  progressLabel_->setGeometry(20, 144, 70, 16);
  progress_ = new CMacProgressCtrl(this);
  progress_->setProperty("controlId", kProgressId);
  progress_->setAccessibleName(QStringLiteral("正在通讯中"));
  progress_->setGeometry(kEditLeft, 145, kEditWidth, 14);
  progress_->setColor(QColor(255, 0, 0));
  progress_->setRange(0, 100);
  progress_->setStep(1);
  progress_->setValue(50);
  progress_->hide();
  progressLabel_->hide();

  confirm_ = makeButton(this, kConfirmId, QStringLiteral("确定"), kConfirmImages, 44);
  confirm_->setDefault(true);
  cancel_ = makeButton(this, kCancelId, QStringLiteral("取消"), kCancelImages, 44 + 72 + 8);
  connect(confirm_, &QAbstractButton::clicked, this, [this] { confirm(); });
  connect(cancel_, &QAbstractButton::clicked, this, [this] { reset(); });
}

void CDlgOptionPassword::confirm() {
  if (session_.net.stopped()) {
    showMessage(MessageRequest{"请先连接服务器", "木棉", MessageIcon::Information, MessageButtons::Ok});
    return;
  }
  // One request at a time: a second one would be answered "旧密码错误" once
  // the first has changed the password, after the user was told it worked.
  if (waiting_) return;

  const std::string oldPassword = toGbk(old_->text());
  const std::string newPassword = toGbk(new_->text());
  const std::string confirmation = toGbk(confirmation_->text());
  const char* refusal = nullptr;
  if (oldPassword.empty()) {
    refusal = "请输入旧密码";
  } else if (newPassword.empty()) {
    refusal = "请输入新密码";
  } else if (newPassword.find('\'') != std::string::npos) {
    refusal = "密码包含有非法字符!";
  } else if (confirmation.empty()) {
    refusal = "请输入确认密码";
  } else if (newPassword != confirmation) {
    refusal = "两次输入密码不一致";
  }
  if (refusal != nullptr) {
    showMessage(refusal);
    return;
  }

  progress_->setBusy(true);
  progress_->show();
  progressLabel_->show();
  waiting_ = true;
  const ChangePasswordRequest request{oldPassword, newPassword};
  session_.relay().ask(request, this, [this](const ChangePasswordRequest& asked, const ChangePasswordResponse& reply) {
    answered(asked, reply);
  });
}

void CDlgOptionPassword::reset() {
  old_->clear();
  new_->clear();
  confirmation_->clear();
  progress_->setBusy(false);
  progress_->update();
  progress_->hide();
  progressLabel_->hide();
  waiting_ = false;
}

std::string CDlgOptionPassword::answerText(const ChangePasswordResponse& reply) {
  switch (reply.result) {
    case ChangePasswordResponse::kChanged:
      return "密码设置成功!";
    case ChangePasswordResponse::kWrongOldPassword:
      return "旧密码错误";
    case ChangePasswordResponse::kNewPasswordEmpty:
      return "新密码不能为空";
    case ChangePasswordResponse::kNewPasswordTooLong:
      return "您设置的密码过长";
    default:
      return "系统繁忙,请稍后再试";
  }
}

void CDlgOptionPassword::adoptPassword(const std::string& password) {
  session_.login.password = password;
  // A reconnection signs in again by itself, with what it was given.
  session_.net.SetAccount(session_.net.phone(), password);
  if (session_.login.rememberPassword != 0)
    session_.store.SetSavedPassword(session_.model.self().userId, password);
}

void CDlgOptionPassword::answered(const ChangePasswordRequest& asked, const ChangePasswordResponse& reply) {
  // The password the server now holds is the one in the answered request
  // (as sent, at most 10 bytes), whatever the entries show by now: the page
  // may have been reset while the answer was on its way.
  if (reply.result == ChangePasswordResponse::kChanged) adoptPassword(asked.newPassword);
  showMessage(answerText(reply));
  emit closeRequested();
}

}  // namespace kiv
