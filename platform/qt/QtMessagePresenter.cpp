#include "platform/qt/QtMessagePresenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QPointer>

#include "platform/qtcore/UiThreadCall.h"

namespace kiv {
namespace {

// The boxes up right now (UI thread only); nested boxes stack up.
QList<QPointer<QMessageBox>>& openBoxes() {
  static QList<QPointer<QMessageBox>> boxes;
  return boxes;
}

MessageAnswer showOnThisThread(const MessageRequest& request) {
  QMessageBox::Icon icon = QMessageBox::Warning;
  switch (request.icon) {
    case MessageIcon::Warning:
      icon = QMessageBox::Warning;
      break;
    case MessageIcon::Information:
      icon = QMessageBox::Information;
      break;
    case MessageIcon::Error:
      icon = QMessageBox::Critical;
      break;
    case MessageIcon::Question:
      icon = QMessageBox::Question;
      break;
  }
  const auto buttons = request.buttons == MessageButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                                   : QMessageBox::StandardButtons(QMessageBox::Ok);
  QMessageBox box(icon, QString::fromStdString(request.caption), QString(), buttons, QApplication::activeWindow());
  // Boxes quote other people's nicknames and group names: shown as they
  // were typed, never as markup, and never with a link to follow.
  box.setTextFormat(Qt::PlainText);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  box.setText(QString::fromStdString(request.text));
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  if (auto* cancel = box.button(QMessageBox::Cancel)) cancel->setText(QStringLiteral("取消"));
  openBoxes().append(&box);
  const int answer = box.exec();
  openBoxes().removeAll(&box);
  return answer == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

}  // namespace

MessageAnswer QtMessagePresenter::present(const MessageRequest& request) {
  auto* app = QCoreApplication::instance();
  if (app == nullptr) return MessageAnswer::Ok;
  MessageAnswer answer = MessageAnswer::Cancel;
  callOnThreadOf(app, [&] { answer = showOnThisThread(request); });
  return answer;
}

void QtMessagePresenter::dismissOpenBoxes() {
  const auto boxes = openBoxes();
  for (const QPointer<QMessageBox>& box : boxes)
    if (box) box->reject();
}

}  // namespace kiv
