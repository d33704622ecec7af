#include "options/CDlgOption.h"

#include <QLabel>
#include <QPainter>

#include "options/CDlgOptionPassword.h"
#include "options/CDlgOptionSettings.h"
#include "skin/CBitButtonNL.h"
#include "skin/FramePieces.h"
#include "skin/ResourceLoader.h"

namespace kiv {

namespace {

constexpr int kLeftPane = 227;
constexpr int kSettingsHeader = 263;
constexpr int kPasswordHeader = 265;
// Tab pictures (normal, pressed, hover) while the settings page is shown...
constexpr int kSettingsChosen[2][3] = {{229, 230, 229}, {264, 228, 231}};
// ... and while the password page is shown.
constexpr int kPasswordChosen[2][3] = {{262, 230, 229}, {231, 228, 231}};

constexpr int kPaneInset = 4;  // header and tabs inside the left pane
constexpr int kHeaderTop = 32;
constexpr int kTabHeight = 28;
constexpr int kTabsTop = kHeaderTop + 60 + 10;

void setImages(CBitButtonNL* button, const int (&images)[3]) {
  button->setBitmaps(images[0], images[1], images[2]);
}

}  // namespace

CDlgOption::CDlgOption(ClientSession& session, QWidget* parent) : CDlgBasic(parent) {
  setFixedSize(kWidth, kHeight);
  leftPane_ = ResourceLoader::bitmap(kLeftPane);

  header_ = new QLabel(this);
  header_->setProperty("controlId", kHeaderId);
  header_->setAccessibleName(QStringLiteral("设置类别"));
  header_->setGeometry(kPaneInset, kHeaderTop, 148, 60);

  // The tabs come before the pages, so that control(1) and control(2) of
  // this window are the tabs, not the pages' buttons of the same numbers.
  settingsTab_ = new CBitButtonNL(QStringLiteral("基本设置"), this);
  settingsTab_->setProperty("controlId", kSettingsTabId);
  settingsTab_->setGeometry(kPaneInset, kTabsTop, 148, kTabHeight);
  settingsTab_->setAutoDefault(false);
  passwordTab_ = new CBitButtonNL(QStringLiteral("密码安全"), this);
  passwordTab_->setProperty("controlId", kPasswordTabId);
  passwordTab_->setGeometry(kPaneInset, kTabsTop + kTabHeight + 2, 148, kTabHeight);
  passwordTab_->setAutoDefault(false);
  connect(settingsTab_, &QAbstractButton::clicked, this, [this] { showSettingsPage(); });
  connect(passwordTab_, &QAbstractButton::clicked, this, [this] { showPasswordPage(); });

  password_ = new CDlgOptionPassword(session, this);
  settings_ = new CDlgOptionSettings(session, this);
  for (COptionPage* page : {static_cast<COptionPage*>(password_), static_cast<COptionPage*>(settings_)}) {
    page->move(kPageLeft, kPageTop);
    connect(page, &COptionPage::closeRequested, this, [this] { reject(); });
  }
  showSettingsPage();
}

void CDlgOption::setHeader(int bitmap) {
  headerBitmap_ = bitmap;
  header_->setPixmap(ResourceLoader::bitmap(bitmap));
}

void CDlgOption::showSettingsPage() {
  showPage(false);
}

void CDlgOption::showPasswordPage() {
  showPage(true);
}

void CDlgOption::showPage(bool password) {
  const auto& tabImages = password ? kPasswordChosen : kSettingsChosen;
  setImages(settingsTab_, tabImages[0]);
  setImages(passwordTab_, tabImages[1]);
  setHeader(password ? kPasswordHeader : kSettingsHeader);
  settings_->setVisible(!password);
  password_->setVisible(password);
}

void CDlgOption::reject() {
  password_->reset();
  CDlgBasic::reject();
}

void CDlgOption::OnDrawBackground(QPainter& painter, int /*left*/, int /*top*/, int /*right*/, int bottom) {
  if (leftPane_.isNull()) return;
  // One column down the left, ending 2 pixels above the bottom.
  const int paneRight = 1 + ResourceLoader::logicalSize(leftPane_).width();
  FramePieces::tile(painter, leftPane_, 1, kLeftPaneTop, paneRight, bottom - 2);
}

}  // namespace kiv
