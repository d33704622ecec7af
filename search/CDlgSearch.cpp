#include "search/CDlgSearch.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QRadioButton>

#include "search/CDlgSearchRet.h"
#include "skin/DialogControls.h"
#include "model/ClientSession.h"
#include "net/NetClient.h"
#include "net/SearchMessages.h"
#include "platform/MessageBox.h"
#include "skin/CBitButtonNL.h"

namespace kiv {

namespace {

constexpr int kWidth = 340, kHeight = 210;
// Tab pictures: not selected, selected, hover.
constexpr int kFriendTabPictures[3] = {332, 333, 334};
constexpr int kGroupTabPictures[3] = {335, 336, 337};
const QColor kPanelBorder(0xa6, 0xc8, 0xec);

void lookSelected(CBitButtonNL* tab, const int (&pictures)[3], bool selected) {
  if (selected)
    tab->setBitmaps(pictures[1], pictures[1], pictures[1]);
  else
    tab->setBitmaps(pictures[0], pictures[1], pictures[2]);
}

}  // namespace

CDlgSearch::CDlgSearch(ClientSession& session, QWidget* parent) : CDlgBasic(parent), session_(session) {
  setFixedSize(kWidth, kHeight);
  setAccessibleName(QStringLiteral("查找"));

  friendTab_ = controls::button(this, kFriendTab, QStringLiteral("查找好友"), 333, 333, 333, QRect(14, 36, 72, 24));
  groupTab_ = controls::button(this, kGroupTab, QStringLiteral("查找群"), 335, 336, 337, QRect(88, 36, 72, 24));

  controls::label(this, QStringLiteral("查找方式:"), QRect(30, 78, 66, 20));
  numberOption_ = new QRadioButton(QStringLiteral("ID号"), this);
  controls::tag(numberOption_, kNumberOption, QStringLiteral("ID号"), QRect(100, 78, 80, 20));
  nameOption_ = new QRadioButton(QStringLiteral("昵称"), this);
  controls::tag(nameOption_, kNameOption, QStringLiteral("昵称"), QRect(184, 78, 80, 20));
  options_ = new QButtonGroup(this);
  options_->addButton(numberOption_, kByNumber);
  options_->addButton(nameOption_, kByName);
  numberOption_->setChecked(true);

  controls::label(this, QStringLiteral("内容:"), QRect(30, 114, 66, 20));
  text_ = controls::lineEdit(this, kText, QStringLiteral("内容"), QRect(100, 112, 212, 22));

  auto* findButton = controls::button(this, kFind, QStringLiteral("查找"), 350, 350, 351, QRect(162, 172, 72, 24));
  findButton->setDefault(true);
  auto* reset = controls::button(this, kReset, QStringLiteral("重置"), 352, 352, 353, QRect(242, 172, 72, 24));

  connect(friendTab_, &QAbstractButton::clicked, this, [this] { selectTab(kFriends); });
  connect(groupTab_, &QAbstractButton::clicked, this, [this] { selectTab(kGroups); });
  connect(findButton, &QAbstractButton::clicked, this, [this] { find(); });
  connect(reset, &QAbstractButton::clicked, text_, &QLineEdit::clear);
  selectTab(kFriends);
}

int CDlgSearch::option() const {
  return nameOption_->isChecked() ? kByName : kByNumber;
}

int CDlgSearch::searchKind() const {
  if (tab_ == kFriends) return option() == kByName ? SearchRequest::kUserByNickname : SearchRequest::kUserById;
  return option() == kByName ? SearchRequest::kGroupByName : SearchRequest::kGroupById;
}

void CDlgSearch::selectTab(int tab) {
  tab_ = tab;
  numberOption_->setText(tab == kFriends ? QStringLiteral("ID号") : QStringLiteral("群号"));
  numberOption_->setAccessibleName(numberOption_->text());
  lookSelected(friendTab_, kFriendTabPictures, tab == kFriends);
  lookSelected(groupTab_, kGroupTabPictures, tab == kGroups);
  text_->clear();
}

void CDlgSearch::selectOption(int option) {
  (option == kByName ? nameOption_ : numberOption_)->setChecked(true);
}

void CDlgSearch::raiseForm() {
  show();
  raise();
  activateWindow();
  text_->setFocus();
}

void CDlgSearch::showSearch() {
  raiseForm();
}

void CDlgSearch::showFriendSearch() {
  selectTab(kFriends);
  selectOption(kByNumber);
  raiseForm();
}

void CDlgSearch::showGroupSearch() {
  selectTab(kGroups);
  selectOption(kByNumber);
  raiseForm();
}

void CDlgSearch::find() {
  const QString text = text_->text().trimmed();
  if (option() == kByNumber && text.isEmpty()) {
    showMessage("请输入正确的查找内容!");
    return;
  }
  if (!session_.connectedOrSay()) return;
  // The form may go while the results run (the main window closing): both
  // are watched, and the results dialog is deleted as soon as its run ends,
  // so an answer still on its way finds nobody and is dropped.
  QPointer<CDlgSearch> self(this);
  QPointer<CDlgSearchRet> results = new CDlgSearchRet(session_, searchKind(), text, this);
  emit resultsOpened(results);
  if (results) results->exec();
  delete results.data();
  if (self) text_->setFocus();
}

void CDlgSearch::OnDrawBackground(QPainter& painter, int /*left*/, int /*top*/, int right, int /*bottom*/) {
  // The page under the tabs.
  painter.setPen(kPanelBorder);
  painter.setBrush(Qt::white);
  painter.drawRect(QRect(14, 60, right - 28 - 1, 100));
}

}  // namespace kiv
