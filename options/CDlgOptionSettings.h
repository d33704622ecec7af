#pragma once

#include "options/COptionPage.h"

class QCheckBox;
class QLabel;
class QRadioButton;

namespace kiv {

class CBitButtonNL;
struct ClientSession;

// The "基本设置" page: start with the desktop session, sign in
// automatically, play sounds, show desktop notifications. It remembers what is stored and, on "确定",
// writes only what the user changed, in that order, stopping at the first
// change that fails.
class CDlgOptionSettings : public COptionPage {
  Q_OBJECT
 public:
  static constexpr int kAutoStartId = 1037;
  static constexpr int kAutoLoginId = 1038;
  static constexpr int kSoundOnId = 1041;
  static constexpr int kSoundOffId = 1042;
  static constexpr int kSoundLabelId = 1044;
  static constexpr int kDesktopNoticeId = 1045;
  static constexpr int kConfirmId = 1;

  // Reads the stored settings once; they are not read again while the page
  // lives (it lives as long as the options window).
  CDlgOptionSettings(ClientSession& session, QWidget* parent);

  // "确定".
  void confirm();

  // The stored states as the page knows them (1 = on).
  int rememberedAutoStart() const { return autoStart_; }
  int rememberedAutoLogin() const { return autoLogin_; }
  int rememberedSound() const { return sound_; }
  int rememberedDesktopNotice() const { return desktopNotice_; }

 private:
  void loadStoredStates();

  ClientSession& session_;
  int autoStart_ = 0;
  int autoLogin_ = 0;
  int sound_ = 1;
  int desktopNotice_ = 1;
  QCheckBox* autoStartBox_ = nullptr;
  QCheckBox* autoLoginBox_ = nullptr;
  QLabel* soundLabel_ = nullptr;
  QRadioButton* soundOn_ = nullptr;
  QRadioButton* soundOff_ = nullptr;
  QCheckBox* desktopNoticeBox_ = nullptr;
  CBitButtonNL* confirm_ = nullptr;
};

}  // namespace kiv
