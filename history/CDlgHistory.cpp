#include "history/CDlgHistory.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTextCursor>
#include <QTreeWidget>

#include "avatars/Avatars.h"
#include "history/SearchResultList.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "platform/qt/GbkQt.h"
#include "platform/qtcore/UiThreadCall.h"
#include "skin/CBitButtonNL.h"
#include "skin/FramePieces.h"
#include "skin/ResourceLoader.h"
#include "storage/LocalStore.h"

namespace kiv {

namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 420;
constexpr int kLeftPane = 227;
constexpr int kLeftPaneTop = 25;
constexpr int kRootPicture = 266;
constexpr int kUserPicture = 148;
constexpr int kGroupPicture = 240;
constexpr int kPreviousImages[3] = {225, 226, 226};  // normal, pressed, hover
constexpr int kNextImages[3] = {223, 224, 224};
constexpr int kFindImages[3] = {350, 350, 351};
constexpr int kRight = kWidth - 8;
constexpr int kPaneTop = 58;
constexpr int kIdRole = Qt::UserRole;
constexpr int kGroupRole = Qt::UserRole + 1;

// Every item of the tree is 25 pixels high.
class FixedRowHeight : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(CDlgHistory::kItemHeight);
    return size;
  }
};

CBitButtonNL* makePageButton(QWidget* parent, int id, const QString& name, const int (&images)[3]) {
  auto* button = new CBitButtonNL(name, parent);
  button->setProperty("controlId", id);
  button->setBitmaps(images[0], images[1], images[2]);
  // Enter belongs to "上一页" wherever the focus is, a focused button
  // included.
  button->setAutoDefault(false);
  return button;
}

QIcon pictureIcon(const QImage& picture) {
  return QIcon(QPixmap::fromImage(picture));
}

}  // namespace

CDlgHistory::CDlgHistory(ClientSession& session, QWidget* parent)
    : CDlgBasic(parent), session_(session), search_(session.model, [](std::function<void()> work) {
        // The application outlives the window; the search drops answers
        // that arrive after the window is gone.
        postToThreadOf(QCoreApplication::instance(), std::move(work));
      }) {
  setFixedSize(kWidth, kHeight);
  leftPane_ = ResourceLoader::bitmap(kLeftPane);

  tree_ = new QTreeWidget(this);
  tree_->setProperty("controlId", kTreeId);
  tree_->setAccessibleName(QStringLiteral("联系人"));
  tree_->setGeometry(6, 32, 146, kHeight - 32 - 8);
  tree_->setHeaderHidden(true);
  tree_->setRootIsDecorated(true);
  tree_->setUniformRowHeights(true);
  tree_->setIconSize(QSize(kPictureSize, kPictureSize));
  tree_->setItemDelegate(new FixedRowHeight(tree_));
  // A double-click shows the history; the branch marks fold and unfold.
  tree_->setExpandsOnDoubleClick(false);
  tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { choose(item); });

  const int right = kRight;
  heading_ = new QLabel(QStringLiteral("聊天历史记录"), this);
  heading_->setGeometry(166, 33, 96, 18);
  pane_ = new QPlainTextEdit(this);
  pane_->setProperty("controlId", kPaneId);
  pane_->setAccessibleName(QStringLiteral("聊天历史记录"));
  pane_->setGeometry(166, kPaneTop, right - 166, kHeight - kPaneTop - 44);
  pane_->setReadOnly(true);
  pane_->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  pane_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

  previous_ = makePageButton(this, kPreviousId, QStringLiteral("上一页"), kPreviousImages);
  next_ = makePageButton(this, kNextId, QStringLiteral("下一页"), kNextImages);
  previous_->setGeometry(right - 72 - 8 - 72, kHeight - 34, 72, 24);
  next_->setGeometry(right - 72, kHeight - 34, 72, 24);
  connect(previous_, &QAbstractButton::clicked, this, [this] { previousPage(); });
  connect(next_, &QAbstractButton::clicked, this, [this] { nextPage(); });

  buildSearchControls();
  Rebuild();
}

void CDlgHistory::buildSearchControls() {
  searchBox_ = new QLineEdit(this);
  searchBox_->setProperty("controlId", kSearchBoxId);
  searchBox_->setAccessibleName(QStringLiteral("搜索全部聊天记录"));
  searchBox_->setPlaceholderText(QStringLiteral("搜索全部聊天记录"));
  searchBox_->setGeometry(266, 31, kRight - 72 - 6 - 266, 22);
  // Longer than any stored message: such a query could not match anyway.
  searchBox_->setMaxLength(500);
  connect(searchBox_, &QLineEdit::returnPressed, this, [this] { startSearch(); });

  find_ = makePageButton(this, kFindId, QStringLiteral("查找"), kFindImages);
  find_->setGeometry(kRight - 72, 30, 72, 24);
  connect(find_, &QAbstractButton::clicked, this, [this] { startSearch(); });

  results_ = new SearchResultList(this);
  results_->setProperty("controlId", kResultsId);
  results_->setAccessibleName(QStringLiteral("搜索结果"));
  results_->setGeometry(pane_->geometry());
  results_->hide();
  connect(results_, &SearchResultList::chosen, this, [this](int row) { chooseResult(row); });
  connect(results_, &SearchResultList::moreWanted, this, [this] { search_.more(); });

  searchStatus_ = new QLabel(this);
  searchStatus_->setProperty("controlId", kSearchStatusId);
  searchStatus_->setAccessibleName(QStringLiteral("搜索状态"));
  searchStatus_->setGeometry(166, kHeight - 31, kRight - 152 - 8 - 166, 18);

  search_.setChanged([this] { searchChanged(); });
}

void CDlgHistory::startSearch() {
  const QString query = searchBox_->text().trimmed();
  if (query.isEmpty()) return;
  search_.find(query.toStdString());
  showResults(true);
}

void CDlgHistory::showResults(bool shown) {
  results_->setVisible(shown);
  pane_->setVisible(!shown);
}

void CDlgHistory::searchChanged() {
  results_->setRows(search_.rows(), search_.hasMore());
  QString status;
  if (search_.query().empty())
    status = search_.state() == HistorySearch::State::kPreparing ? QStringLiteral("正在准备搜索…") : QString();
  else if (search_.state() == HistorySearch::State::kPreparing)
    status = QStringLiteral("正在准备搜索…");
  else if (search_.searching())
    status = QStringLiteral("正在查找…");
  else if (search_.rows().empty())
    // An index that could not be opened finds nothing, like a word that
    // was never written: searching is a convenience, not worth an alarm.
    status = search_.hasMore() ? QStringLiteral("较新的消息中没有找到") : QStringLiteral("没有找到");
  else
    status = QStringLiteral("找到 %1 条%2")
                 .arg(search_.rows().size())
                 .arg(search_.hasMore() ? QStringLiteral("，还有更早的") : QString());
  searchStatus_->setText(status);
}

void CDlgHistory::chooseResult(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= search_.rows().size()) return;
  const HistorySearchHit hit = search_.rows()[static_cast<std::size_t>(row)].hit;
  // The search answers on the UI thread, and only while it (and so this
  // window) exists.
  search_.locate(static_cast<std::size_t>(row), [this, hit](int page) { showFound(hit, page); });
}

void CDlgHistory::showFound(const HistorySearchHit& hit, int page) {
  if (page < 0) {
    searchStatus_->setText(QStringLiteral("这条消息已不在聊天记录中"));
    return;
  }
  current_ = Choice{hit.conversation, hit.group};
  pageCounter_ = page;
  pane_->clear();
  nextPage();
  // Whose page it is: the conversation's first item (a friend before the
  // same person as a member), when the tree has one.
  const PictureKey key{hit.conversation, hit.group};
  const auto item = pictured_.lower_bound(key);
  if (item != pictured_.end() && item->first == key)
    tree_->setCurrentItem(item->second);
  else
    tree_->setCurrentItem(nullptr);  // somebody the lists do not know: no item is theirs
  // Select the message on its page: its time line followed by its first line.
  const QString time = QString::fromUtf8(hit.rtime.data(), static_cast<qsizetype>(hit.rtime.size()));
  const QString text = QString::fromUtf8(hit.text.data(), static_cast<qsizetype>(hit.text.size()));
  const QString firstLine = text.section(QRegularExpression(QStringLiteral("\\r?\\n")), 0, 0);
  const qsizetype at = pane_->toPlainText().indexOf(time + QLatin1Char('\n') + firstLine);
  if (at < 0) return;
  QTextCursor cursor(pane_->document());
  cursor.setPosition(static_cast<int>(at + time.size() + 1));
  cursor.setPosition(static_cast<int>(at + time.size() + 1 + firstLine.size()), QTextCursor::KeepAnchor);
  pane_->setTextCursor(cursor);
  pane_->centerCursor();
}

QTreeWidgetItem* CDlgHistory::addRoot(const QString& text) {
  auto* item = new QTreeWidgetItem(tree_, QStringList{text});
  item->setIcon(0, QIcon(ResourceLoader::bitmap(kRootPicture)));
  return item;
}

QTreeWidgetItem* CDlgHistory::addItem(QTreeWidgetItem* parent, const std::string& text, std::int32_t id, bool group) {
  auto* item = new QTreeWidgetItem(parent, QStringList{fromGbk(text)});
  item->setData(0, kIdRole, id);
  item->setData(0, kGroupRole, group);
  const QImage fallback = ResourceLoader::bitmapImage(group ? kGroupPicture : kUserPicture);
  const std::uint64_t build = build_;
  const PictureKey key{id, group};
  const AvatarLoad load =
      LoadAvatar(static_cast<int>(session_.model.self().userId), id, group, kPictureSize, fallback,
                 onUiThread(this, [this, build, key](const QImage& picture) { pictureArrived(build, key, picture); }));
  item->setIcon(0, pictureIcon(load.picture));
  pictured_.emplace(key, item);
  return item;
}

void CDlgHistory::pictureArrived(std::uint64_t build, PictureKey key, const QImage& picture) {
  // A picture for a tree that has been rebuilt since finds its items gone.
  if (build != build_ || picture.isNull()) return;
  const QIcon icon = pictureIcon(picture);
  const auto [first, last] = pictured_.equal_range(key);
  for (auto it = first; it != last; ++it) it->second->setIcon(0, icon);
}

void CDlgHistory::Rebuild() {
  ++build_;
  pictured_.clear();
  tree_->clear();
  search_.open(session_.store.accountDirectory());
  // The chosen item was among those just deleted.
  current_.reset();
  pageCounter_ = 0;
  pane_->clear();

  friendsRoot_ = addRoot(QStringLiteral("我的好友"));
  groupsRoot_ = addRoot(QStringLiteral("我的群"));
  strangersRoot_ = addRoot(QStringLiteral("陌生人"));

  const ContactModel& model = session_.model;
  const ContactList& friends = model.list(ContactListKind::kFriends);
  for (std::int32_t userId : friends.rows()) addItem(friendsRoot_, friends.find(userId)->nickname, userId, false);
  friendsRoot_->setExpanded(true);

  for (const GroupEntry& group : model.groups()) {
    QTreeWidgetItem* groupItem = addItem(groupsRoot_, texts::groupNameOf(group.displayText), group.groupId, true);
    for (const ContactEntry& member : group.members)
      addItem(groupItem, texts::nicknameOrAnonymous(member.nickname), member.userId, false);
  }
  groupsRoot_->setExpanded(true);

  const ContactList& strangers = model.list(ContactListKind::kStrangers);
  for (std::int32_t userId : strangers.rows()) addItem(strangersRoot_, strangers.find(userId)->nickname, userId, false);
  strangersRoot_->setExpanded(true);
}

void CDlgHistory::choose(QTreeWidgetItem* item) {
  if (item == nullptr || item->parent() == nullptr) return;  // nothing, or a root item
  // The group table serves group items only; a member under a group is a
  // person, whose private conversation is shown.
  current_ = Choice{item->data(0, kIdRole).toInt(), item->parent() == groupsRoot_};
  pageCounter_ = 0;
  pane_->clear();
  nextPage();
}

std::string CDlgHistory::readPage(int page) const {
  LocalStore& store = session_.store;
  return current_->group ? store.ReadGroupHistoryPage(current_->id, page)
                         : store.ReadUserHistoryPage(current_->id, page);
}

void CDlgHistory::showPage(const std::string& text) {
  showResults(false);
  pane_->setPlainText(fromGbk(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void CDlgHistory::nextPage() {
  if (!current_) return;
  const std::string text = readPage(pageCounter_);
  if (text.empty()) return;  // past the end: the pane keeps its page
  ++pageCounter_;
  showPage(text);
}

void CDlgHistory::previousPage() {
  if (!current_) return;
  if (--pageCounter_ < 0) {
    pageCounter_ = 0;
    return;
  }
  const std::string text = readPage(pageCounter_);
  if (!text.empty()) showPage(text);
}

void CDlgHistory::OnDrawBackground(QPainter& painter, int /*left*/, int /*top*/, int /*right*/, int bottom) {
  if (leftPane_.isNull()) return;
  const int paneRight = 1 + ResourceLoader::logicalSize(leftPane_).width();
  FramePieces::tile(painter, leftPane_, 1, kLeftPaneTop, paneRight, bottom - 2);
}

void CDlgHistory::keyPressEvent(QKeyEvent* event) {
  // Enter in the search box searches and in the results chooses; neither
  // key pages or closes the window there.
  const bool pagingKey =
      event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape;
  if (pagingKey && (searchBox_->hasFocus() || results_->hasFocus())) {
    event->accept();
    return;
  }
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      previousPage();
      return;
    case Qt::Key_Escape:
      nextPage();
      return;
    default:
      CDlgBasic::keyPressEvent(event);
  }
}

}  // namespace kiv
