#include "mainwindow/CKivTreeCtrl.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include "profile/CDlgInfoGroup.h"
#include "profile/CDlgInfoUser.h"
#include "mainwindow/CommandMenu.h"
#include "mainwindow/ContactCommands.h"
#include "mainwindow/RowAvatars.h"
#include "mainwindow/RowPainter.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "model/TerminalType.h"
#include "net/FetchMessagesMessages.h"
#include "net/NetClient.h"
#include "platform/MessageBox.h"
#include "platform/qt/GbkQt.h"
#include "skin/CDlgBasic.h"
#include "skin/ResourceLoader.h"

namespace kiv {
namespace {

constexpr int kIndent = 14;

}  // namespace

class CKivTreeCtrl::Delegate : public QStyledItemDelegate {
 public:
  explicit Delegate(CKivTreeCtrl& tree) : QStyledItemDelegate(&tree), tree_(tree) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool group = !index.parent().isValid();
    RowPainter::Row row;
    row.rect = option.rect;
    row.hover = tree_.hoverItem_ != nullptr && tree_.itemFromIndex(index) == tree_.hoverItem_;
    row.avatar = tree_.avatars_->picture(index.data(kIdRole).toInt(), group);
    row.text = index.data(Qt::DisplayRole).toString();
    row.terminalIcon = group ? 0 : terminal::iconResource(index.data(kTerminalRole).toInt());
    row.ownerMark = index.data(kOwnerRole).toBool();
    row.unread = tree_.unreadOf(index.data(kIdRole).toInt(), group);
    RowPainter::paint(*painter, row, group ? tree_.groupFont_ : tree_.font());
  }

  QSize sizeHint(const QStyleOptionViewItem& /*option*/, const QModelIndex& /*index*/) const override {
    return QSize(100, RowPainter::kRowHeight);
  }

 private:
  CKivTreeCtrl& tree_;
};

CKivTreeCtrl::CKivTreeCtrl(ClientSession& session, ContactCommands& commands, QWidget* parent)
    : QTreeWidget(parent), session_(session), commands_(commands), management_(session, this) {
  setAccessibleName(QStringLiteral("群列表"));
  setUpContactView(*this);
  groupFont_ = font();
  groupFont_.setBold(true);
  setHeaderHidden(true);
  setColumnCount(1);
  setIndentation(kIndent);
  setRootIsDecorated(true);
  setUniformRowHeights(true);
  setExpandsOnDoubleClick(false);  // a double-click chats with the group
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setItemDelegate(new Delegate(*this));

  avatars_ = new RowAvatars([&session] { return session.model.self().userId; }, this);
  connect(avatars_, &RowAvatars::arrived, this, [this](std::int32_t id, bool group) {
    if (group) {
      repaintItem(groupItem(id));
      return;
    }
    for (const auto& [groupId, items] : groups_) {
      const auto found = items.members.find(id);
      if (found != items.members.end()) repaintItem(found->second);
    }
  });

  menu_ = new QMenu(QStringLiteral("我的群功能"), this);
  const auto add = [this](Command id, const QString& text) {
    menus::addCommand(menu_, id, text, this, [this, id] { runCommand(id); });
  };
  add(kGroupChat, QStringLiteral("群聊"));
  add(kGroupProfile, QStringLiteral("群资料"));
  add(kQuitGroup, QStringLiteral("退出群"));
  add(kDismissGroup, QStringLiteral("解散群"));
  add(kShieldGroup, QStringLiteral("屏蔽群信息"));
  menu_->addSeparator();
  add(kMemberChat, QStringLiteral("与成员私聊"));
  add(kMemberProfile, QStringLiteral("成员资料"));
  add(kRemoveMember, QStringLiteral("删除群成员"));
  add(kInviteMember, QStringLiteral("添加群成员"));
  menu_->addSeparator();
  add(kCreateGroup, QStringLiteral("新建群"));

  for (const GroupEntry& group : session_.model.groups()) {
    groupAdded(group);
    for (const ContactEntry& member : group.members) memberAdded(group.groupId, member, false);
  }
  session_.model.addObserver(this);
}

CKivTreeCtrl::~CKivTreeCtrl() {
  session_.model.removeObserver(this);
}

QAction* CKivTreeCtrl::action(Command command) const {
  return menus::findCommand(menu_, command);
}

QTreeWidgetItem* CKivTreeCtrl::groupItem(std::int32_t groupId) const {
  const auto found = groups_.find(groupId);
  return found == groups_.end() ? nullptr : found->second.item;
}

QTreeWidgetItem* CKivTreeCtrl::memberItem(std::int32_t groupId, std::int32_t userId) const {
  const auto group = groups_.find(groupId);
  if (group == groups_.end()) return nullptr;
  const auto member = group->second.members.find(userId);
  return member == group->second.members.end() ? nullptr : member->second;
}

// --- mirroring the model

void CKivTreeCtrl::groupAdded(const GroupEntry& group) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, fromGbk(group.displayText));
  item->setData(0, kIdRole, group.groupId);
  item->setData(0, kOwnerRole, group.owner);
  showUnread(item, true);
  addTopLevelItem(item);
  groups_[group.groupId].item = item;
}

void CKivTreeCtrl::groupChanged(const GroupEntry& group) {
  QTreeWidgetItem* item = groupItem(group.groupId);
  if (item == nullptr) return;
  item->setText(0, fromGbk(group.displayText));
  item->setData(0, kOwnerRole, group.owner);
  showUnread(item, true);
}

void CKivTreeCtrl::groupRemoved(std::int32_t groupId) {
  const auto found = groups_.find(groupId);
  if (found == groups_.end()) return;
  QTreeWidgetItem* item = found->second.item;
  groups_.erase(found);
  forgetHover(item);
  delete item;  // its member items go with it
}

void CKivTreeCtrl::setMemberData(QTreeWidgetItem* item, const ContactEntry& member) {
  item->setText(0, fromGbk(texts::memberItem(member.nickname, member.userId)));
  item->setData(0, kTerminalRole, member.terminal);
  item->setData(0, kOwnerRole, member.owner);
  showUnread(item, false);
}

void CKivTreeCtrl::memberAdded(std::int32_t groupId, const ContactEntry& member, bool first) {
  const auto found = groups_.find(groupId);
  if (found == groups_.end()) return;
  auto* item = new QTreeWidgetItem;
  item->setData(0, kIdRole, member.userId);
  setMemberData(item, member);
  if (first)
    found->second.item->insertChild(0, item);
  else
    found->second.item->addChild(item);
  found->second.members[member.userId] = item;
}

void CKivTreeCtrl::memberChanged(std::int32_t groupId, const ContactEntry& member) {
  if (QTreeWidgetItem* item = memberItem(groupId, member.userId)) setMemberData(item, member);
}

void CKivTreeCtrl::memberRemoved(std::int32_t groupId, std::int32_t userId) {
  const auto found = groups_.find(groupId);
  if (found == groups_.end()) return;
  const auto member = found->second.members.find(userId);
  if (member == found->second.members.end()) return;
  QTreeWidgetItem* item = member->second;
  found->second.members.erase(member);
  forgetHover(item);
  delete item;
}

void CKivTreeCtrl::avatarChanged(std::int32_t id, bool group) {
  avatars_->forget(id, group);
}

int CKivTreeCtrl::unreadOf(std::int32_t id, bool group) const {
  return session_.model.unread().count(group ? ConversationKind::kGroup : ConversationKind::kPrivate, id);
}

// The badge is drawn from the model; screen readers hear the count with
// the item's text.
void CKivTreeCtrl::showUnread(QTreeWidgetItem* item, bool group) {
  const int count = unreadOf(item->data(0, kIdRole).toInt(), group);
  item->setData(0, Qt::AccessibleTextRole, RowPainter::accessibleText(item->text(0), count));
}

void CKivTreeCtrl::unreadChanged(ConversationKind kind, std::int32_t number) {
  if (kind == ConversationKind::kGroup) {
    if (QTreeWidgetItem* item = groupItem(number)) showUnread(item, true);
    return;
  }
  // A person's one conversation shows on each of their member items.
  for (const auto& [groupId, items] : groups_) {
    const auto found = items.members.find(number);
    if (found != items.members.end()) showUnread(found->second, false);
  }
}

// --- drawing and the mouse

void CKivTreeCtrl::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
  painter->fillRect(rect, Qt::white);
  const QTreeWidgetItem* item = itemFromIndex(index);
  if (!isGroupItem(item) || item->childCount() == 0) return;
  static const QPixmap expand = ResourceLoader::bitmap(253);
  static const QPixmap collapse = ResourceLoader::bitmap(254);
  const QPixmap& glyph = item->isExpanded() ? collapse : expand;
  const QRect own(rect.right() + 1 - indentation(), rect.top(), indentation(), rect.height());
  const QSize size = ResourceLoader::logicalSize(glyph);
  painter->drawPixmap(own.left() + (own.width() - size.width()) / 2, own.top() + (own.height() - size.height()) / 2,
                      glyph);
}

void CKivTreeCtrl::repaintItem(QTreeWidgetItem* item) {
  if (item != nullptr) viewport()->update(visualItemRect(item));
}

void CKivTreeCtrl::forgetHover(QTreeWidgetItem* going) {
  if (going == nullptr || hoverItem_ == nullptr) return;
  if (hoverItem_ == going || hoverItem_->parent() == going) hoverItem_ = nullptr;
}

void CKivTreeCtrl::setHoverItem(QTreeWidgetItem* item) {
  if (item == hoverItem_) return;
  QTreeWidgetItem* old = hoverItem_;
  hoverItem_ = item;
  repaintItem(old);
  repaintItem(item);
}

void CKivTreeCtrl::mouseMoveEvent(QMouseEvent* event) {
  setHoverItem(itemAt(event->position().toPoint()));
  QTreeWidget::mouseMoveEvent(event);
}

void CKivTreeCtrl::leaveEvent(QEvent* event) {
  setHoverItem(nullptr);
  QTreeWidget::leaveEvent(event);
}

void CKivTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidgetItem* item = itemAt(event->position().toPoint());
  if (item == nullptr) return;
  setCurrentItem(item);
  runCommand(isGroupItem(item) ? kGroupChat : kMemberChat);
}

QMenu* CKivTreeCtrl::prepareMenu(QPoint pos) {
  if (session_.net.stopped()) return nullptr;
  QTreeWidgetItem* item = itemAt(pos);
  if (item != nullptr) setCurrentItem(item);
  const bool group = item != nullptr && isGroupItem(item);
  const bool member = item != nullptr && !group;
  const GroupEntry* entry = nullptr;
  if (item != nullptr) entry = session_.model.findGroup((group ? item : item->parent())->data(0, kIdRole).toInt());
  const bool owns = entry != nullptr && entry->owner;

  action(kGroupChat)->setEnabled(group);
  action(kGroupProfile)->setEnabled(group);
  action(kQuitGroup)->setEnabled(group && !owns);
  action(kDismissGroup)->setEnabled(group && owns);
  action(kShieldGroup)->setEnabled(group);
  if (group && entry != nullptr)
    action(kShieldGroup)->setText(entry->shielded ? QStringLiteral("接收群信息") : QStringLiteral("屏蔽群信息"));
  action(kMemberChat)->setEnabled(member);
  action(kMemberProfile)->setEnabled(member);
  action(kRemoveMember)->setEnabled(member);
  action(kInviteMember)->setEnabled(item != nullptr && owns);
  action(kCreateGroup)->setEnabled(item == nullptr);
  return menu_;
}

void CKivTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
  const QPoint pos = viewport()->mapFrom(this, event->pos());
  if (QMenu* shown = prepareMenu(pos)) shown->popup(event->globalPos());
}

// --- commands

void CKivTreeCtrl::runCommand(Command command) {
  QTreeWidgetItem* item = currentItem();
  const bool needsConnection =
      command == kGroupChat || command == kMemberChat || command == kInviteMember || command == kCreateGroup;
  if (needsConnection && !session_.connectedOrSay()) return;
  if (command == kInviteMember) {
    commands_.showSearch(ContactCommands::SearchMode::kUser);
    return;
  }
  if (command == kCreateGroup) {
    management_.createGroup();
    return;
  }
  if (item == nullptr) return;
  QTreeWidgetItem* groupNode = isGroupItem(item) ? item : item->parent();
  const GroupEntry* group = session_.model.findGroup(groupNode->data(0, kIdRole).toInt());
  if (group == nullptr) return;
  const std::string groupText = texts::trimmed(group->displayText);
  const ContactEntry* member = isGroupItem(item) ? nullptr : group->findMember(item->data(0, kIdRole).toInt());

  switch (command) {
    case kGroupChat:
      if (member == nullptr)
        commands_.showConversation(ChatCategory::kGroup, group->groupId, groupText, groupText, -1);
      return;
    case kGroupProfile:
      if (member == nullptr) showGroupProfile(group->groupId, groupText, group->owner);
      return;
    case kMemberChat:
      if (member == nullptr) return;
      if (member->userId == session_.model.self().userId) {
        showMessage("系统提示:你不能自己给自己发信息!");
        return;
      }
      commands_.showConversation(ChatCategory::kGroupMember, member->userId,
                                 texts::trimmed(texts::memberItem(member->nickname, member->userId)), groupText,
                                 member->terminal);
      return;
    case kMemberProfile:
      if (member != nullptr)
        showMemberProfile(member->userId, texts::trimmed(texts::memberItem(member->nickname, member->userId)));
      return;
    case kDismissGroup:
      if (member == nullptr) management_.dismissGroup(group->groupId);
      return;
    case kQuitGroup:
      if (member == nullptr) management_.quitGroup(group->groupId);
      return;
    case kRemoveMember:
      if (member != nullptr) management_.removeMember(group->groupId, member->userId);
      return;
    case kShieldGroup:
      if (member != nullptr) return;
      // The entry offers the opposite of the state the group is in now.
      if (const auto shielded = management_.toggleShield(group->groupId))
        action(kShieldGroup)->setText(*shielded ? QStringLiteral("接收群信息") : QStringLiteral("屏蔽群信息"));
      return;
    default:
      return;
  }
}

// One window for group profiles and one for member profiles, each created
// on first use and refilled for every item asked about.
void CKivTreeCtrl::showGroupProfile(std::int32_t groupId, const std::string& text, bool owner) {
  if (groupProfile_ == nullptr) groupProfile_ = new CDlgInfoGroup(session_, this);
  groupProfile_->ShowGroup(groupId, fromGbk(text), owner);
}

void CKivTreeCtrl::showMemberProfile(std::int32_t userId, const std::string& text) {
  if (memberProfile_ == nullptr) memberProfile_ = new CDlgInfoUser(session_, this);
  memberProfile_->ShowUser(userId, fromGbk(text));
}

}  // namespace kiv
