#pragma once

#include <QAction>
#include <QMenu>
#include <QTreeWidget>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "mainwindow/GroupManager.h"
#include "model/ContactModelObserver.h"
#include "net/ConversationKind.h"

namespace kiv {

class CDlgInfoGroup;
class CDlgInfoUser;
class ContactCommands;
class RowAvatars;
struct ClientSession;

// The group tree of the main window: the user's groups with their members
// under them. It mirrors the ContactModel's groups through the model's
// observer, so a periodic member list that changed nothing touches nothing.
// Rows are drawn like the contact lists' (avatar, text, terminal icon), the
// groups the user owns and their owners carry the owner's mark; double-click
// chats, a right click offers menu 133 with its entries enabled for the item
// under the mouse. Item texts are the items' own texts, for screen readers,
// with the number of unread messages that a badge shows.
class CKivTreeCtrl : public QTreeWidget, public ContactModelObserver {
  Q_OBJECT
 public:
  // Menu 133 "我的群功能".
  enum Command {
    kGroupChat = 32789,
    kGroupProfile = 32790,
    kDismissGroup = 32792,
    kInviteMember = 32793,
    kCreateGroup = 32794,
    kQuitGroup = 32795,
    kRemoveMember = 32796,
    kMemberChat = 32797,
    kMemberProfile = 32798,
    kShieldGroup = 32799,
  };
  static constexpr int kIdRole = Qt::UserRole;
  static constexpr int kTerminalRole = Qt::UserRole + 1;
  static constexpr int kOwnerRole = Qt::UserRole + 2;

  CKivTreeCtrl(ClientSession& session, ContactCommands& commands, QWidget* parent = nullptr);
  ~CKivTreeCtrl() override;

  QTreeWidgetItem* groupItem(std::int32_t groupId) const;
  QTreeWidgetItem* memberItem(std::int32_t groupId, std::int32_t userId) const;
  static bool isGroupItem(const QTreeWidgetItem* item) { return item != nullptr && item->parent() == nullptr; }
  QTreeWidgetItem* hoverItem() const { return hoverItem_; }
  QMenu* menu() const { return menu_; }
  QAction* action(Command command) const;
  CDlgInfoGroup* groupProfileWindow() const { return groupProfile_; }
  CDlgInfoUser* memberProfileWindow() const { return memberProfile_; }
  // Creating, dismissing, leaving and shielding groups, removing members.
  GroupManager& groupManager() { return management_; }

  // Menu 133 as a right click at `pos` (viewport coordinates) shows it: the
  // item there becomes the selected one and the entries are enabled for it.
  // nullptr while offline.
  QMenu* prepareMenu(QPoint pos);
  // Runs a command on the selected item, as its menu entry does.
  void runCommand(Command command);

  // ContactModelObserver
  void groupAdded(const GroupEntry& group) override;
  void groupChanged(const GroupEntry& group) override;
  void groupRemoved(std::int32_t groupId) override;
  void memberAdded(std::int32_t groupId, const ContactEntry& member, bool first) override;
  void memberChanged(std::int32_t groupId, const ContactEntry& member) override;
  void memberRemoved(std::int32_t groupId, std::int32_t userId) override;
  void avatarChanged(std::int32_t id, bool group) override;
  void unreadChanged(ConversationKind kind, std::int32_t number) override;

 protected:
  void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  class Delegate;
  struct GroupItems {
    QTreeWidgetItem* item = nullptr;
    std::unordered_map<std::int32_t, QTreeWidgetItem*> members;
  };
  void setMemberData(QTreeWidgetItem* item, const ContactEntry& member);
  int unreadOf(std::int32_t id, bool group) const;
  void showUnread(QTreeWidgetItem* item, bool group);
  void setHoverItem(QTreeWidgetItem* item);
  void repaintItem(QTreeWidgetItem* item);
  void forgetHover(QTreeWidgetItem* going);
  void showGroupProfile(std::int32_t groupId, const std::string& text, bool owner);
  void showMemberProfile(std::int32_t userId, const std::string& text);

  ClientSession& session_;
  ContactCommands& commands_;
  GroupManager management_;
  RowAvatars* avatars_;
  QMenu* menu_;
  CDlgInfoGroup* groupProfile_ = nullptr;
  CDlgInfoUser* memberProfile_ = nullptr;
  QFont groupFont_;
  QTreeWidgetItem* hoverItem_ = nullptr;
  std::unordered_map<std::int32_t, GroupItems> groups_;
};

}  // namespace kiv
