#include "profile/ProfileWindow.h"

#include <QLabel>
#include <QPainter>

#include "skin/BusyDisplay.h"
#include "skin/DialogControls.h"
#include "profile/ProfileAvatar.h"
#include "model/ClientSession.h"
#include "net/NetClient.h"
#include "platform/MessageBox.h"
#include "skin/CBitButtonNL.h"
#include "skin/CMacProgressCtrl.h"

namespace kiv {

namespace {
const QColor kPictureBorder(0xa6, 0xc8, 0xec);
}  // namespace

ProfileWindow::ProfileWindow(ClientSession& session, bool group, int pictureId, int changeId,
                             QSize size, QWidget* parent)
    : CDlgBasic(parent), session_(session) {
  setFixedSize(size);
  const int w = size.width(), h = size.height();

  picture_ = new QLabel(this);
  controls::tag(picture_, pictureId, QStringLiteral("头像"), QRect(20, 40, 70, 70));
  change_ = controls::button(this, changeId, QStringLiteral("更改"), 360, 360, 361, QRect(19, 118, 72, 24));

  auto* busyLabel = controls::label(this, QStringLiteral("正在更新中:"), QRect(20, h - 36, 76, 16), kBusyLabel);
  bar_ = new CMacProgressCtrl(this);
  controls::tag(bar_, kBusyBar, QStringLiteral("正在更新中"), QRect(98, h - 34, 100, 12));
  busy_ = std::make_unique<BusyDisplay>(bar_, busyLabel);

  save_ = controls::button(this, kSave, QStringLiteral("保存"), 358, 358, 359, QRect(w - 174, h - 40, 72, 24));
  save_->setDefault(true);
  auto* close = controls::button(this, kClose, QStringLiteral("关闭"), 248, 248, 245, QRect(w - 94, h - 40, 72, 24));

  avatar_ = new ProfileAvatar(session_, picture_, group, this);

  connect(save_, &QAbstractButton::clicked, this, [this] {
    if (editable_) save();
  });
  connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
  connect(change_, &QAbstractButton::clicked, this, [this] { avatar_->choose(); });
}

ProfileWindow::~ProfileWindow() = default;

bool ProfileWindow::busy() const {
  return busy_->running();
}

void ProfileWindow::setAvatarChooser(AvatarChooser chooser) {
  avatar_->setChooser(std::move(chooser));
}

bool ProfileWindow::beginShow(std::int32_t id, bool editable) {
  shownId_ = id;
  editable_ = editable;
  save_->setVisible(editable);
  change_->setVisible(editable);
  avatar_->show(id);
  // Offline nothing can answer: the placeholders stay and nothing runs.
  const bool online = !session_.net.stopped();
  if (online)
    busy_->start();
  else
    busy_->stop();
  return online;
}

void ProfileWindow::present() {
  show();
  raise();
  activateWindow();
}

bool ProfileWindow::beginSave() {
  if (!session_.connectedOrSay()) return false;
  busy_->start();
  return true;
}

bool ProfileWindow::takeProfileAnswer(std::uint32_t askedId) {
  if (static_cast<std::int32_t>(askedId) != shownId_) return false;
  busy_->stop();
  return true;
}

void ProfileWindow::finishSave(std::uint32_t savedId, bool ok, const char* refusal) {
  if (static_cast<std::int32_t>(savedId) != shownId_) return;
  busy_->stop();
  if (!ok) {
    showMessage(refusal);
    return;
  }
  accept();
}

void ProfileWindow::OnDrawBackground(QPainter& painter, int /*left*/, int /*top*/, int /*right*/, int /*bottom*/) {
  painter.setPen(kPictureBorder);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(picture_->geometry().adjusted(-1, -1, 0, 0));
}

}  // namespace kiv
