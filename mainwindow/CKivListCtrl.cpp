#include "mainwindow/CKivListCtrl.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "profile/CDlgInfoUser.h"
#include "mainwindow/CommandMenu.h"
#include "mainwindow/ContactCommands.h"
#include "mainwindow/RowAvatars.h"
#include "mainwindow/RowPainter.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "model/TerminalType.h"
#include "net/AddFriendMessages.h"
#include "net/DeleteFriendMessages.h"
#include "net/FetchMessagesMessages.h"
#include "net/NetClient.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "platform/qt/GbkQt.h"
#include "skin/CDlgBasic.h"

namespace kiv {
namespace {

constexpr int kUserIdRole = Qt::UserRole;
constexpr int kTerminalRole = Qt::UserRole + 1;

}  // namespace

class CKivListCtrl::Delegate : public QStyledItemDelegate {
 public:
  explicit Delegate(CKivListCtrl& list) : QStyledItemDelegate(&list), list_(list) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    RowPainter::Row row;
    row.rect = option.rect;
    row.hover = index.row() == list_.hoverRow_;
    row.avatar = list_.avatars_->picture(index.data(kUserIdRole).toInt(), false);
    row.text = index.data(Qt::DisplayRole).toString();
    row.terminalIcon = terminal::iconResource(index.data(kTerminalRole).toInt());
    row.unread = list_.unreadOf(index.data(kUserIdRole).toInt());
    RowPainter::paint(*painter, row, list_.font());
  }

  QSize sizeHint(const QStyleOptionViewItem& /*option*/, const QModelIndex& /*index*/) const override {
    return QSize(list_.viewport()->width(), RowPainter::kRowHeight);
  }

 private:
  CKivListCtrl& list_;
};

CKivListCtrl::CKivListCtrl(ClientSession& session, ContactListKind kind, ContactCommands& commands, QWidget* parent)
    : QListWidget(parent), session_(session), kind_(kind), commands_(commands) {
  const bool friends = kind == ContactListKind::kFriends;
  setAccessibleName(friends ? QStringLiteral("好友列表") : QStringLiteral("陌生人列表"));
  setUpContactView(*this);
  setUniformItemSizes(true);
  setItemDelegate(new Delegate(*this));

  avatars_ = new RowAvatars([&session] { return session.model.self().userId; }, this);
  connect(avatars_, &RowAvatars::arrived, this, [this](std::int32_t id, bool group) {
    if (group) return;
    if (const ContactEntry* entry = session_.model.list(kind_).find(id)) repaintRow(entry->row);
  });

  menu_ = new QMenu(friends ? QStringLiteral("我的好友功能") : QStringLiteral("陌生人菜单"), this);
  const auto add = [this](Command id, const QString& text) {
    menus::addCommand(menu_, id, text, this, [this, id] { runCommand(id); });
  };
  if (friends) {
    add(kFriendChat, QStringLiteral("聊天"));
    add(kFriendProfile, QStringLiteral("个人资料"));
    add(kDeleteFriend, QStringLiteral("删除好友"));
    menu_->addSeparator();
    add(kAddFriend, QStringLiteral("添加好友"));
  } else {
    add(kStrangerChat, QStringLiteral("聊天"));
    add(kStrangerProfile, QStringLiteral("个人资料"));
    add(kMakeFriend, QStringLiteral("加为好友"));
    add(kRemoveStranger, QStringLiteral("剔除此人"));
  }

  // Mirror what the model holds already, then follow its changes.
  const ContactList& list = session_.model.list(kind_);
  for (int row = 0; row < list.size(); ++row) contactAdded(kind_, row, *list.atRow(row));
  session_.model.addObserver(this);
}

CKivListCtrl::~CKivListCtrl() {
  session_.model.removeObserver(this);
}

QAction* CKivListCtrl::action(Command command) const {
  return menus::findCommand(menu_, command);
}

void CKivListCtrl::setRowText(QListWidgetItem* item, const ContactEntry& entry) {
  item->setText(fromGbk(texts::contactRow(entry.nickname, entry.userId)));
  item->setData(kTerminalRole, entry.terminal);
  showUnread(item);
}

int CKivListCtrl::unreadOf(std::int32_t userId) const {
  return session_.model.unread().count(ConversationKind::kPrivate, userId);
}

// The badge is drawn from the model; screen readers hear the count with
// the row's text.
void CKivListCtrl::showUnread(QListWidgetItem* item) {
  const int count = unreadOf(item->data(kUserIdRole).toInt());
  item->setData(Qt::AccessibleTextRole, RowPainter::accessibleText(item->text(), count));
}

void CKivListCtrl::unreadChanged(ConversationKind kind, std::int32_t number) {
  if (kind != ConversationKind::kPrivate) return;
  if (const ContactEntry* entry = session_.model.list(kind_).find(number))
    if (QListWidgetItem* it = item(entry->row)) showUnread(it);
}

void CKivListCtrl::contactAdded(ContactListKind kind, int row, const ContactEntry& entry) {
  if (kind != kind_) return;
  auto* item = new QListWidgetItem;
  item->setData(kUserIdRole, entry.userId);
  setRowText(item, entry);
  insertItem(row, item);
}

void CKivListCtrl::contactChanged(ContactListKind kind, int row, const ContactEntry& entry) {
  if (kind != kind_) return;
  if (QListWidgetItem* it = item(row)) setRowText(it, entry);
}

void CKivListCtrl::contactRemoved(ContactListKind kind, int row, std::int32_t /*userId*/) {
  if (kind != kind_) return;
  if (row == hoverRow_) hoverRow_ = -1;
  if (row < hoverRow_) --hoverRow_;
  delete takeItem(row);
}

void CKivListCtrl::avatarChanged(std::int32_t id, bool group) {
  if (!group) avatars_->forget(id, false);
}

void CKivListCtrl::repaintRow(int row) {
  if (QListWidgetItem* it = item(row)) viewport()->update(visualItemRect(it));
}

void CKivListCtrl::setHoverRow(int row) {
  if (row == hoverRow_) return;
  const int old = hoverRow_;
  hoverRow_ = row;
  repaintRow(old);
  repaintRow(row);
}

void CKivListCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  setHoverRow(index.isValid() ? index.row() : -1);
  QListWidget::mouseMoveEvent(event);
}

void CKivListCtrl::leaveEvent(QEvent* event) {
  setHoverRow(-1);
  QListWidget::leaveEvent(event);
}

void CKivListCtrl::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  // The one column follows the list's width.
  doItemsLayout();
}

void CKivListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (!index.isValid()) return;
  setCurrentRow(index.row());
  chat();
}

QMenu* CKivListCtrl::prepareMenu(QPoint pos) {
  if (session_.net.stopped()) return nullptr;
  const QModelIndex index = indexAt(pos);
  if (index.isValid()) setCurrentRow(index.row());
  const bool onRow = index.isValid();
  const bool hasText = onRow && !index.data(Qt::DisplayRole).toString().isEmpty();
  if (kind_ == ContactListKind::kFriends) {
    if (onRow && !hasText) return nullptr;
    action(kFriendChat)->setEnabled(onRow);
    action(kFriendProfile)->setEnabled(onRow);
    action(kDeleteFriend)->setEnabled(onRow);
    action(kAddFriend)->setEnabled(!onRow);
    return menu_;
  }
  if (!hasText) return nullptr;
  for (QAction* entry : menu_->actions()) entry->setEnabled(true);
  return menu_;
}

void CKivListCtrl::contextMenuEvent(QContextMenuEvent* event) {
  const QPoint pos = viewport()->mapFrom(this, event->pos());
  if (QMenu* shown = prepareMenu(pos)) shown->popup(event->globalPos());
}

bool CKivListCtrl::currentContact(std::int32_t& userId, std::string& rowText, std::int32_t& terminal) const {
  const ContactEntry* entry = session_.model.list(kind_).atRow(currentRow());
  if (entry == nullptr) return false;
  userId = entry->userId;
  rowText = texts::contactRow(entry->nickname, entry->userId);
  terminal = entry->terminal;
  return true;
}

void CKivListCtrl::chat() {
  runCommand(kind_ == ContactListKind::kFriends ? kFriendChat : kStrangerChat);
}

void CKivListCtrl::runCommand(Command command) {
  std::int32_t userId = 0;
  std::int32_t terminal = 0;
  std::string rowText;
  const bool onRow = currentContact(userId, rowText, terminal);
  const bool needsConnection = command == kFriendChat || command == kStrangerChat || command == kAddFriend;
  if (needsConnection && !session_.connectedOrSay()) return;
  const auto askFirst = [](const char* format, const std::string& rowText, std::int32_t userId) {
    const QString text = QString::fromUtf8(format).arg(fromGbk(rowText), QString::number(userId));
    return confirm(text.toStdString());
  };
  switch (command) {
    case kAddFriend:
      commands_.showSearch(ContactCommands::SearchMode::kUser);
      return;
    case kFriendChat:
    case kStrangerChat:
      if (onRow)
        commands_.showConversation(command == kFriendChat ? ChatCategory::kFriend : ChatCategory::kStranger, userId,
                                   rowText, std::string(), terminal);
      return;
    case kFriendProfile:
    case kStrangerProfile:
      if (onRow) showProfile(userId, rowText);
      return;
    case kDeleteFriend:
      if (!onRow || !askFirst("您确认要删除好友 %1(%2)吗?", rowText, userId)) return;
      session_.relay().tell(DeleteFriendRequest{static_cast<std::uint32_t>(userId)}, this);
      session_.model.removeContact(ContactListKind::kFriends, userId);
      return;
    case kRemoveStranger:
      if (!onRow || !askFirst("您确认要删除陌生人 %1(%2)吗?", rowText, userId)) return;
      session_.model.removeContact(ContactListKind::kStrangers, userId);
      return;
    case kMakeFriend: {
      if (!onRow) return;
      session_.relay().tell(AddFriendRequest{static_cast<std::uint32_t>(userId)}, this);
      // The friend row comes at once; the next friend list corrects it.
      ContactEntry entry;
      entry.userId = userId;
      entry.nickname = std::string(gbk::cut(rowText, ContactEntry::kNicknameMax));
      session_.model.addOrUpdateContact(ContactListKind::kFriends, entry);
      return;
    }
  }
}

// One profile window for the list's rows, created on first use and refilled
// (and shown) for every row asked about.
void CKivListCtrl::showProfile(std::int32_t userId, const std::string& rowText) {
  if (profile_ == nullptr) profile_ = new CDlgInfoUser(session_, this);
  profile_->ShowUser(userId, fromGbk(rowText));
}

}  // namespace kiv
