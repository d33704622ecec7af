#pragma once

#include <QPixmap>

#include "skin/CDlgBasic.h"

class QLabel;

namespace kiv {

class CBitButtonNL;
class CDlgOptionPassword;
class CDlgOptionSettings;
struct ClientSession;

// The options window: two pages ("基本设置" and "密码安全") chosen by the
// tab buttons on its left pane. Created once and then only shown and hidden;
// closing it empties the password page and keeps everything else, so it
// opens again on the page last chosen.
class CDlgOption : public CDlgBasic {
  Q_OBJECT
 public:
  static constexpr int kHeaderId = 1007;
  static constexpr int kSettingsTabId = 1;
  static constexpr int kPasswordTabId = 2;
  static constexpr int kPageLeft = 157;
  static constexpr int kPageTop = 26;
  static constexpr int kLeftPaneTop = 25;
  static constexpr int kWidth = 393;
  static constexpr int kHeight = 278;

  explicit CDlgOption(ClientSession& session, QWidget* parent = nullptr);

  CDlgOptionSettings* settingsPage() const { return settings_; }
  CDlgOptionPassword* passwordPage() const { return password_; }
  // The bitmap shown by the header picture: 263 or 265.
  int headerBitmap() const { return headerBitmap_; }

  // The tabs.
  void showSettingsPage();
  void showPasswordPage();

  // The cancel operation: empties the password page, then hides the window.
  void reject() override;

 protected:
  void OnDrawBackground(QPainter& painter, int left, int top, int right, int bottom) override;

 private:
  void showPage(bool password);
  void setHeader(int bitmap);

  CDlgOptionSettings* settings_ = nullptr;
  CDlgOptionPassword* password_ = nullptr;
  QPixmap leftPane_;
  QLabel* header_ = nullptr;
  int headerBitmap_ = 0;
  CBitButtonNL* settingsTab_ = nullptr;
  CBitButtonNL* passwordTab_ = nullptr;
};

}  // namespace kiv
