#include "options/CDlgOptionSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "platform/MessageBox.h"
#include "skin/CBitButtonNL.h"
#include "storage/LocalStore.h"
#include "platform/SoundEnabled.h"

namespace kiv {

namespace {
constexpr int kConfirmImages[3] = {232, 232, 233};  // normal, pressed, hover

template <class Control>
Control* numbered(Control* control, int id, const QRect& place) {
  control->setProperty("controlId", id);
  control->setGeometry(place);
  return control;
}

}  // namespace

CDlgOptionSettings::CDlgOptionSettings(ClientSession& session, QWidget* parent)
    : COptionPage(parent), session_(session) {
  autoStartBox_ = numbered(new QCheckBox(QStringLiteral("开机时自动启动木棉"), this), kAutoStartId, {24, 26, 190, 20});
  autoLoginBox_ = numbered(new QCheckBox(QStringLiteral("自动登录"), this), kAutoLoginId, {24, 56, 190, 20});
  soundLabel_ = numbered(new QLabel(QStringLiteral("消息提示音:"), this), kSoundLabelId, {24, 96, 190, 18});
  soundOn_ = numbered(new QRadioButton(QStringLiteral("开启声音"), this), kSoundOnId, {36, 120, 90, 20});
  soundOff_ = numbered(new QRadioButton(QStringLiteral("关闭声音"), this), kSoundOffId, {128, 120, 90, 20});
  auto* soundChoice = new QButtonGroup(this);
  soundChoice->addButton(soundOn_, 0);
  soundChoice->addButton(soundOff_, 1);
  desktopNoticeBox_ =
      numbered(new QCheckBox(QStringLiteral("新消息桌面提醒"), this), kDesktopNoticeId, {24, 150, 190, 20});
  desktopNoticeBox_->setAccessibleName(desktopNoticeBox_->text());

  confirm_ = numbered(new CBitButtonNL(QStringLiteral("确定"), this), kConfirmId,
                      {kWidth - 72 - 16, kHeight - 24 - 20, 72, 24});
  confirm_->setBitmaps(kConfirmImages[0], kConfirmImages[1], kConfirmImages[2]);
  confirm_->setDefault(true);
  connect(confirm_, &QAbstractButton::clicked, this, [this] { confirm(); });

  loadStoredStates();
}

void CDlgOptionSettings::loadStoredStates() {
  LocalStore& store = session_.store;
  autoStart_ = store.IsAutoStartOn() == 1 ? 1 : 0;
  autoStartBox_->setChecked(autoStart_ == 1);
  const std::int32_t self = session_.model.self().userId;
  autoLogin_ = self != 0 && store.GetAutoLogin() == self ? 1 : 0;
  autoLoginBox_->setChecked(autoLogin_ == 1);
  sound_ = store.IsSoundOn() == 1 ? 1 : 0;
  (sound_ == 1 ? soundOn_ : soundOff_)->setChecked(true);
  desktopNotice_ = store.IsDesktopNoticeOn() == 1 ? 1 : 0;
  desktopNoticeBox_->setChecked(desktopNotice_ == 1);
}

void CDlgOptionSettings::confirm() {
  LocalStore& store = session_.store;

  const int autoStart = autoStartBox_->isChecked() ? 1 : 0;
  if (autoStart != autoStart_) {
    if (store.SetAutoStart(autoStart) == 0) {
      showMessage("开机自动启动设置失败");
      return;
    }
    autoStart_ = autoStart;
  }

  const int autoLogin = autoLoginBox_->isChecked() ? 1 : 0;
  if (autoLogin != autoLogin_) {
    if (store.SetAutoLogin(session_.model.self().userId, autoLogin) == 0) {
      showMessage("自动登录设置失败");
      return;
    }
    autoLogin_ = autoLogin;
  }

  const int sound = soundOn_->isChecked() ? 1 : 0;
  if (sound != sound_) {
    if (store.SetSound(sound) == 0) {
      showMessage("声音设置失败");
      return;
    }
    sound_ = sound;
    SoundEnabled = sound;
  }

  const int desktopNotice = desktopNoticeBox_->isChecked() ? 1 : 0;
  if (desktopNotice != desktopNotice_) {
    if (store.SetDesktopNotice(desktopNotice) == 0) {
      showMessage("桌面提醒设置失败");
      return;
    }
    desktopNotice_ = desktopNotice;
    DesktopNoticesEnabled = desktopNotice;
  }

  showMessage("设置成功!");
  emit closeRequested();
}

}  // namespace kiv
