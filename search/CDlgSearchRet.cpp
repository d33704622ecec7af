#include "search/CDlgSearchRet.h"

#include <QComboBox>
#include <QHeaderView>
#include <QTreeWidget>

#include "skin/BusyDisplay.h"
#include "skin/DialogControls.h"
#include "search/SearchReplyTexts.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "model/TerminalType.h"
#include "net/AddFriendMessages.h"
#include "net/InviteToGroupMessages.h"
#include "net/JoinGroupMessages.h"
#include "net/SearchMessages.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "platform/qt/GbkQt.h"
#include "skin/CBitButtonNL.h"
#include "skin/CMacProgressCtrl.h"

namespace kiv {

namespace {

constexpr int kWidth = 420, kHeight = 340;
constexpr int kIdRole = Qt::UserRole;        // the hit's number
constexpr int kNameRole = Qt::UserRole + 1;  // the hit's name as it came (GBK bytes)

// The terminal a user hit's online-state text stands for.
std::int32_t terminalOf(const QString& state) {
  for (std::int32_t t : {terminal::kWap, terminal::kMobileClient, terminal::kPcClient})
    if (state == QString::fromUtf8(terminal::textUtf8(t))) return t;
  return terminal::kSms;
}

std::string utf8(const QString& text) {
  return text.toStdString();
}

}  // namespace

CDlgSearchRet::CDlgSearchRet(ClientSession& session, int kind, const QString& text, QWidget* parent)
    : CDlgBasic(parent), session_(session), kind_(kind) {
  // The request carries 16 bytes; a character that would not fit whole is
  // left out rather than sent in half.
  text_ = std::string(gbk::cut(toGbk(text), 16));
  setFixedSize(kWidth, kHeight);
  setAccessibleName(QStringLiteral("查找结果"));

  controls::label(this, QStringLiteral("查找结果："), QRect(14, 32, 120, 18));
  list_ = new QTreeWidget(this);
  controls::tag(list_, kList, QStringLiteral("查找结果"), QRect(14, 52, 392, 200));
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->header()->setSectionsMovable(false);
  list_->header()->setStretchLastSection(false);
  setColumns();

  addFriend_ = controls::button(this, kAddFriend, QStringLiteral("加为好友"), 218, 217, 218, QRect(14, 262, 72, 24));
  join_ = controls::button(this, kJoinGroup, QStringLiteral("加入群"), 354, 354, 355, QRect(14, 262, 72, 24));
  invite_ = controls::button(this, kInvite, QStringLiteral("邀请加入我创建的群"), 356, 356, 357,
                             QRect(92, 262, 132, 24));
  groups_ = new QComboBox(this);
  controls::tag(groups_, kOwnGroups, QStringLiteral("我创建的群"), QRect(230, 263, 176, 22));
  previous_ = controls::button(this, kPreviousPage, QStringLiteral("上一页"), 225, 226, 226, QRect(256, 300, 72, 24));
  next_ = controls::button(this, kNextPage, QStringLiteral("下一页"), 223, 224, 224, QRect(334, 300, 72, 24));
  bar_ = new CMacProgressCtrl(this);
  controls::tag(bar_, kBusyBar, QStringLiteral("正在查找"), QRect(14, 306, 200, 12));
  busy_ = std::make_unique<BusyDisplay>(bar_);

  // The groups the user created, each with its number.
  for (const GroupEntry& group : session_.model.groups()) {
    if (!group.owner) continue;
    groups_->addItem(fromGbk(texts::groupNameOf(group.displayText)), QVariant::fromValue<qint64>(group.groupId));
  }
  if (groups_->count() > 0) groups_->setCurrentIndex(0);

  const bool users = userSearch();
  addFriend_->setVisible(users);
  invite_->setVisible(users);
  groups_->setVisible(users);
  join_->setVisible(!users);
  previous_->hide();
  next_->hide();

  connect(addFriend_, &QAbstractButton::clicked, this, [this] { addFriend(); });
  connect(invite_, &QAbstractButton::clicked, this, [this] { invite(); });
  connect(join_, &QAbstractButton::clicked, this, [this] { join(); });
  connect(previous_, &QAbstractButton::clicked, this, [this] {
    if (page_ > 0) requestPage(page_ - 1);
  });
  connect(next_, &QAbstractButton::clicked, this, [this] { requestPage(page_ + 1); });

  requestPage(0);
}

CDlgSearchRet::~CDlgSearchRet() = default;

bool CDlgSearchRet::userSearch() const {
  return kind_ == SearchRequest::kUserById || kind_ == SearchRequest::kUserByNickname;
}

bool CDlgSearchRet::busy() const {
  return busy_->running();
}

void CDlgSearchRet::done(int result) {
  closed_ = true;
  busy_->stop();
  CDlgBasic::done(result);
}

void CDlgSearchRet::setColumns() {
  // The columns depend only on the kind, which one run keeps: set once, so
  // a new page never rebuilds the header.
  if (userSearch()) {
    list_->setHeaderLabels({QStringLiteral("ID号"), QStringLiteral("昵称"), QStringLiteral("在线状态")});
    list_->setColumnWidth(0, 80);
    list_->setColumnWidth(1, 150);
    list_->setColumnWidth(2, 143);
  } else {
    list_->setHeaderLabels({QStringLiteral("ID号"), QStringLiteral("昵称")});
    list_->setColumnWidth(0, 80);
    list_->setColumnWidth(1, 293);
  }
}

bool CDlgSearchRet::startAsking() {
  if (!session_.connectedOrSay()) return false;
  busy_->start();
  return true;
}

bool CDlgSearchRet::takeAnswer() {
  if (closed_) return false;
  busy_->stop();
  return true;
}

void CDlgSearchRet::requestPage(int page) {
  // The page travels in one byte: a later one is never asked for (the
  // "下一页" button is not offered on the last page that can be asked).
  if (page < 0 || page > SearchRequest::kMaxPage) return;
  SearchRequest ask;
  ask.kind = static_cast<std::uint8_t>(kind_);
  ask.text = text_;
  ask.page = static_cast<std::uint8_t>(page);
  if (!startAsking()) return;
  session_.relay().ask(ask, this, [this](const SearchRequest& asked, const SearchResponse& reply) {
    if (takeAnswer()) showPage(asked, reply);
  });
  page_ = page;
  list_->clear();
  previous_->hide();
  next_->hide();
}

void CDlgSearchRet::showPage(const SearchRequest& asked, const SearchResponse& page) {
  // An answer for a page no longer wanted (asked before the user paged on).
  if (asked.page != page_ || asked.kind != kind_) return;
  const bool users = userSearch();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(page.hits.size()));
  for (const SearchHit& hit : page.hits) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::number(hit.userId));
    item->setText(1, fromGbk(hit.nickname));
    if (users) item->setText(2, QString::fromUtf8(terminal::textUtf8(hit.terminal)));
    item->setData(0, kIdRole, QVariant::fromValue<quint32>(hit.userId));
    item->setData(0, kNameRole, QByteArray::fromStdString(hit.nickname));
    items.append(item);
  }
  // The whole page goes in at once, with painting held until it is there.
  list_->setUpdatesEnabled(false);
  list_->clear();
  list_->addTopLevelItems(items);
  list_->setUpdatesEnabled(true);

  const bool byName = kind_ == SearchRequest::kUserByNickname || kind_ == SearchRequest::kGroupByName;
  previous_->setVisible(byName && page_ > 0);
  next_->setVisible(byName && page.hits.size() >= SearchResponse::kPageSize && page_ < SearchRequest::kMaxPage);
}

std::optional<std::uint32_t> CDlgSearchRet::chosenNumber() const {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) {
    showMessage("请选择您要操作的对象！");
    return std::nullopt;
  }
  return selected.first()->data(0, kIdRole).value<quint32>();
}

CDlgSearchRet::Row CDlgSearchRet::rowOf(std::uint32_t number) const {
  Row row;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = list_->topLevelItem(i);
    if (item->data(0, kIdRole).value<quint32>() != number) continue;
    row.found = true;
    row.name = item->data(0, kNameRole).toByteArray().toStdString();
    row.nameShown = item->text(1);
    row.stateShown = item->text(2);
    return row;
  }
  row.nameShown = QString::number(number);
  row.name = toGbk(row.nameShown);
  return row;
}

void CDlgSearchRet::addFriend() {
  const auto number = chosenNumber();
  if (!number) return;
  if (!startAsking()) return;
  session_.relay().ask(AddFriendRequest{*number}, this,
                       [this](const AddFriendRequest& asked, const AddFriendResponse& reply) {
                         if (takeAnswer()) answerAddFriend(asked, reply);
                       });
}

void CDlgSearchRet::invite() {
  const auto number = chosenNumber();
  if (!number) return;
  if (groups_->currentIndex() < 0) {
    showMessage("请选择您要邀请加入的群！");
    return;
  }
  InviteToGroupRequest ask;
  ask.groupId = static_cast<std::uint32_t>(groups_->currentData().value<qint64>());
  ask.userId = *number;
  if (!startAsking()) return;
  session_.relay().ask(ask, this, [this](const InviteToGroupRequest& asked, const InviteToGroupResponse& reply) {
    if (takeAnswer()) answerInvite(asked, reply);
  });
}

void CDlgSearchRet::join() {
  const auto number = chosenNumber();
  if (!number) return;
  if (!startAsking()) return;
  session_.relay().ask(JoinGroupRequest{*number}, this,
                       [this](const JoinGroupRequest& asked, const JoinGroupResponse& reply) {
                         if (takeAnswer()) answerJoin(asked, reply);
                       });
}

void CDlgSearchRet::answerAddFriend(const AddFriendRequest& asked, const AddFriendResponse& reply) {
  const std::uint32_t number = asked.userId;
  const int status = reply.result;
  const Row row = rowOf(number);
  if (status == AddFriendResponse::kAdded) {
    ContactEntry entry;
    entry.userId = static_cast<std::int32_t>(number);
    entry.nickname = texts::nicknameOrAnonymous(row.name);
    entry.terminal = terminalOf(row.stateShown);
    session_.model.addOrUpdateContact(ContactListKind::kFriends, entry);
  }
  showMessage(search_texts::addFriend(status, utf8(row.nameShown)));
}

void CDlgSearchRet::answerInvite(const InviteToGroupRequest& asked, const InviteToGroupResponse& reply) {
  const int status = reply.result;
  showMessage(search_texts::inviteToGroup(status, asked.groupId, utf8(rowOf(asked.userId).nameShown)));
}

void CDlgSearchRet::answerJoin(const JoinGroupRequest& asked, const JoinGroupResponse& reply) {
  showMessage(search_texts::joinGroup(reply.result, asked.groupId));
}

}  // namespace kiv
