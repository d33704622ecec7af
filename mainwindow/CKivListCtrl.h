#pragma once

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <cstdint>
#include <string>

#include "model/ContactListKind.h"
#include "model/ContactModelObserver.h"
#include "net/ConversationKind.h"

namespace kiv {

class CDlgInfoUser;
class ContactCommands;
class RowAvatars;
struct ClientSession;

// The friend list or the stranger list of the main window. It mirrors its
// list of the ContactModel row for row through the model's observer (only the
// rows that changed are touched), draws every row itself, opens a chat on
// double-click and offers menu 132 (friends) or 134 (strangers) on a right
// click. Every row's text is its item text, so screen readers read it, with
// the number of unread messages that a badge shows.
class CKivListCtrl : public QListWidget, public ContactModelObserver {
  Q_OBJECT
 public:
  // Menu 132 "我的好友功能" and menu 134 "陌生人菜单".
  enum Command {
    kFriendChat = 32785,
    kFriendProfile = 32786,
    kDeleteFriend = 32787,
    kAddFriend = 32788,
    kStrangerChat = 32800,
    kStrangerProfile = 32801,
    kRemoveStranger = 32802,
    kMakeFriend = 32803,
  };

  CKivListCtrl(ClientSession& session, ContactListKind kind, ContactCommands& commands, QWidget* parent = nullptr);
  ~CKivListCtrl() override;

  ContactListKind kind() const { return kind_; }
  int hoverRow() const { return hoverRow_; }
  QMenu* menu() const { return menu_; }
  QAction* action(Command command) const;
  // The rows' profile window once it was first asked for, else nullptr.
  CDlgInfoUser* profileWindow() const { return profile_; }

  // The menu as a right click at `pos` (viewport coordinates) would show it,
  // with its entries enabled for what lies there; nullptr when no menu comes
  // up (offline, or nothing to act on). For the context menu and for tests.
  QMenu* prepareMenu(QPoint pos);
  // Runs a command on the current row, as its menu entry does.
  void runCommand(Command command);

  // ContactModelObserver
  void contactAdded(ContactListKind kind, int row, const ContactEntry& entry) override;
  void contactChanged(ContactListKind kind, int row, const ContactEntry& entry) override;
  void contactRemoved(ContactListKind kind, int row, std::int32_t userId) override;
  void avatarChanged(std::int32_t id, bool group) override;
  void unreadChanged(ConversationKind kind, std::int32_t number) override;

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  class Delegate;
  void setRowText(QListWidgetItem* item, const ContactEntry& entry);
  int unreadOf(std::int32_t userId) const;
  void showUnread(QListWidgetItem* item);
  void setHoverRow(int row);
  void repaintRow(int row);
  // The current row's UserId and row text (GBK); false without a row.
  bool currentContact(std::int32_t& userId, std::string& rowText, std::int32_t& terminal) const;
  void chat();
  void showProfile(std::int32_t userId, const std::string& rowText);

  ClientSession& session_;
  ContactListKind kind_;
  ContactCommands& commands_;
  RowAvatars* avatars_;
  QMenu* menu_;
  CDlgInfoUser* profile_ = nullptr;
  int hoverRow_ = -1;
};

}  // namespace kiv
