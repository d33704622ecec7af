#include "mainwindow/CKivDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>

#include "history/CDlgHistory.h"
#include "profile/CDlgInfoUser.h"
#include "search/CDlgSearch.h"
#include "chat/CSendMessage.h"
#include "mainwindow/ArrivalAlerts.h"
#include "mainwindow/CKivListCtrl.h"
#include "mainwindow/CKivTreeCtrl.h"
#include "mainwindow/CommandMenu.h"
#include "mainwindow/ConversationOpener.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/SessionController.h"
#include "options/CDlgOption.h"
#include "platform/qt/GbkQt.h"
#include "platform/qt/QtMessagePresenter.h"
#include "skin/CBitButtonNL.h"
#include "skin/ResourceLoader.h"
#include "avatars/Avatars.h"

namespace kiv {
namespace {

constexpr int kOnlineIcon = 128;
constexpr int kOfflineIcon = 273;
constexpr int kDefaultAvatar = 148;
constexpr int kOwnAvatarSize = 40;
// Template 102 is 121 x 287 dialog units.
constexpr int kWidthDlu = 121;
constexpr int kHeightDlu = 287;
// The list area keeps its top-left corner and fills the window but for
// these margins; the bottom buttons sit this far above the bottom.
constexpr int kListWidthMargin = 8;
constexpr int kListHeightMargin = 173;
constexpr int kBottomGap = 3;

// The tab pictures: not selected, selected, hover (from 300 on, three each).
int tabPicture(int tab, int role) {
  return 300 + 3 * tab + role;
}

}  // namespace

CKivDlg::CKivDlg(ClientSession& session, QWidget* parent)
    : CDlgBasicResizable(parent), session_(session) {
  resize(dluX(kWidthDlu), dluY(kHeightDlu));

  avatar_ = new QLabel(this);
  avatar_->setProperty("controlId", kOwnAvatar);
  avatar_->setAccessibleName(QStringLiteral("我的头像"));
  avatar_->setGeometry(dluX(4), dluY(17), kOwnAvatarSize, kOwnAvatarSize);

  tabs_[0] = makeButton(kTabGroups, QStringLiteral("我的群"), 2, 54, 36, 14);
  tabs_[1] = makeButton(kTabFriends, QStringLiteral("我的朋友"), 38, 54, 36, 14);
  tabs_[2] = makeButton(kTabStrangers, QStringLiteral("陌生人"), 74, 54, 36, 14);
  tabs_[1]->setToolTip(QStringLiteral("我的好友"));
  for (int i = 0; i < 3; ++i) connect(tabs_[i], &QAbstractButton::clicked, this, [this, i] { selectTab(i + 1); });

  createGroupButton_ = makeButton(kCreateGroupButton, QStringLiteral("创建群"), 5, 72, 33, 10);
  createGroupButton_->setBitmaps(310, 311, 312);
  searchGroupButton_ = makeButton(kSearchGroupButton, QStringLiteral("搜索群"), 43, 72, 32, 10);
  searchGroupButton_->setBitmaps(313, 314, 315);
  addFriendButton_ = makeButton(kAddFriendButton, QStringLiteral("添加好友"), 5, 72, 38, 10);
  addFriendButton_->setBitmaps(316, 317, 318);
  addFriendButton_->hide();
  connect(createGroupButton_, &QAbstractButton::clicked, this, [this] { createGroup(); });
  connect(searchGroupButton_, &QAbstractButton::clicked, this, [this] {
    if (session_.connectedOrSay()) openSearch(SearchMode::kGroup);
  });
  connect(addFriendButton_, &QAbstractButton::clicked, this, [this] {
    if (session_.connectedOrSay()) openSearch(SearchMode::kUser);
  });

  tree_ = new CKivTreeCtrl(session_, *this, this);
  placeControl(tree_, kTree, 2, 84, 116, 186);
  friends_ = new CKivListCtrl(session_, ContactListKind::kFriends, *this, this);
  placeControl(friends_, kFriendList, 32, 1, 17, 13);
  strangers_ = new CKivListCtrl(session_, ContactListKind::kStrangers, *this, this);
  placeControl(strangers_, kStrangerList, 50, 1, 17, 13);
  friends_->hide();
  strangers_->hide();

  bottomButtons_[0] = makeButton(kMenuButton, QStringLiteral("菜单"), 0, 274, 37, 11);
  bottomButtons_[0]->setBitmaps(320, 321, 322);
  bottomButtons_[1] = makeButton(kOptionsButton, QStringLiteral("设置"), 49, 274, 12, 11);
  bottomButtons_[1]->setBitmaps(323, 324, 325);
  bottomButtons_[1]->setToolTip(QStringLiteral("系统设置"));
  bottomButtons_[2] = makeButton(kHistoryButton, QStringLiteral("历史"), 67, 274, 12, 11);
  bottomButtons_[2]->setBitmaps(326, 327, 328);
  bottomButtons_[2]->setToolTip(QStringLiteral("消息管理器"));
  bottomButtons_[3] = makeButton(kSearchButton, QStringLiteral("查找"), 86, 274, 12, 11);
  bottomButtons_[3]->setBitmaps(329, 330, 331);
  connect(bottomButtons_[0], &QAbstractButton::clicked, this, [this] {
    const QPoint buttonTop = bottomButtons_[0]->mapToGlobal(QPoint(0, 0));
    popUpSystemMenu(buttonTop, true);
  });
  connect(bottomButtons_[1], &QAbstractButton::clicked, this, [this] { showOptions(); });
  connect(bottomButtons_[2], &QAbstractButton::clicked, this, [this] { showHistory(); });
  connect(bottomButtons_[3], &QAbstractButton::clicked, this, [this] {
    if (session_.connectedOrSay()) openSearch(std::nullopt);
  });

  buildSystemMenu();
  tray_ = new QSystemTrayIcon(ResourceLoader::icon(kOnlineIcon), this);
  trayIconNumber_ = kOnlineIcon;
  tray_->setToolTip(QStringLiteral("木棉"));
  connect(tray_, &QSystemTrayIcon::activated, this, &CKivDlg::onTrayActivated);
  alerts_ = new ArrivalAlerts(session_, *this, *tray_, this);

  layoutControls();
  setTabPictures();

  controller_ = std::make_unique<SessionController>(session_);
  controller_->setView(this);
  conversations_ = std::make_unique<ConversationOpener>(session_, controller_->messages());
  session_.model.addObserver(this);
}

CKivDlg::~CKivDlg() {
  session_.model.removeObserver(this);
  // Nothing of the connection reaches this window once the controller is gone.
  conversations_.reset();
  controller_.reset();
}

CBitButtonNL* CKivDlg::makeButton(int id, const QString& text, int x, int y, int w, int h) {
  auto* button = new CBitButtonNL(text, this);
  placeControl(button, id, x, y, w, h);
  button->setToolTip(text);
  button->setAccessibleName(text);
  button->setFocusPolicy(Qt::NoFocus);
  button->setAutoDefault(false);
  return button;
}

void CKivDlg::buildSystemMenu() {
  systemMenu_ = new QMenu(this);
  const auto add = [this](SystemCommand id, const QString& text) {
    menus::addCommand(systemMenu_, id, text, this, [this, id] { runSystemCommand(id); });
  };
  add(kOwnProfile, QStringLiteral("我的资料"));
  add(kMySettings, QStringLiteral("我的设置"));
  add(kMessageManager, QStringLiteral("消息管理器"));
  add(kFind, QStringLiteral("查找"));
  add(kMenuAddFriend, QStringLiteral("添加好友"));
  systemMenu_->addSeparator();
  add(kHelp, QStringLiteral("帮助"));
  add(kGoOnline, QStringLiteral("上线"));
  add(kGoOffline, QStringLiteral("离线"));
  systemMenu_->addSeparator();
  add(kExit, QStringLiteral("退出"));
}

QAction* CKivDlg::systemAction(SystemCommand command) const {
  return menus::findCommand(systemMenu_, command);
}

QMenu* CKivDlg::prepareSystemMenu() {
  const bool stopped = controller_->offline();
  systemAction(kHelp)->setVisible(false);
  systemAction(kGoOnline)->setVisible(stopped);
  systemAction(kGoOffline)->setVisible(!stopped);
  return systemMenu_;
}

void CKivDlg::popUpSystemMenu(const QPoint& globalPoint, bool above) {
  QMenu* menu = prepareSystemMenu();
  // From the button, the menu opens upwards with its left edge on the
  // button's, so it covers neither the button nor the lists' last rows.
  const QPoint at = above ? globalPoint - QPoint(0, menu->sizeHint().height()) : globalPoint;
  menu->popup(at);
}

void CKivDlg::onTrayActivated(QSystemTrayIcon::ActivationReason reason) {
  // Trays that speak the StatusNotifierItem protocol report a click and
  // never a double click: a click brings a hidden window back there.
  if (reason == QSystemTrayIcon::DoubleClick || (reason == QSystemTrayIcon::Trigger && !isVisible())) {
    showNormal();
    raise();
    activateWindow();
  } else if (reason == QSystemTrayIcon::Context) {
    popUpSystemMenu(QCursor::pos(), false);
  }
}

void CKivDlg::runSystemCommand(SystemCommand command) {
  switch (command) {
    case kOwnProfile:
      if (session_.connectedOrSay()) showOwnProfile();
      return;
    case kMySettings:
      showOptions();
      return;
    case kMessageManager:
      showHistory();
      return;
    case kFind:
      if (session_.connectedOrSay()) openSearch(std::nullopt);
      return;
    case kMenuAddFriend:
      if (session_.connectedOrSay()) openSearch(SearchMode::kUser);
      return;
    case kHelp:
      return;
    case kGoOnline:
      controller_->goOnline();
      return;
    case kGoOffline:
      controller_->goOffline();
      return;
    case kExit:
      exitProgram();
      return;
  }
}

// --- initialisation

void CKivDlg::setSignInWindow(SignInWindow* signIn) {
  controller_->setSignInWindow(signIn);
}

bool CKivDlg::OnInitDialog() {
  if (!controller_->signIn()) return false;
  afterSignIn();
  return true;
}

void CKivDlg::afterSignIn() {
  controller_->afterSignIn();
  refreshHeaderTexts();
  showConnection(true);
  layoutControls();
  selectTab(kGroupsTab);
  tray_->show();
  // Minimised into the tray only where there is one to come back from.
  setHideOnMinimize(QSystemTrayIcon::isSystemTrayAvailable());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

int CKivDlg::run() {
  if (!OnInitDialog()) return Rejected;
  show();
  QEventLoop loop;
  connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
  if (!hasEnded()) loop.exec();
  return result();
}

// --- header and avatar

void CKivDlg::refreshHeaderTexts() {
  const SelfProfile& self = session_.model.self();
  setProfileText(QStringLiteral("昵称:%1\nID号:%2\n积分:%3")
                     .arg(fromGbk(self.nickname), QString::number(self.userId), QString::number(self.points)));
  setSignatureText(QStringLiteral("简介:%1").arg(fromGbk(self.signature)));
}

void CKivDlg::refreshOwnAvatar(bool grey) {
  avatarGrey_ = grey;
  // The grey picture is the only sign of being offline; a screen reader
  // says it in words.
  avatar_->setAccessibleDescription(grey ? QStringLiteral("离线") : QStringLiteral("在线"));
  const std::int32_t own = session_.model.self().userId;
  const QImage fallback = scaleAvatar(ResourceLoader::bitmapImage(kDefaultAvatar), kOwnAvatarSize);
  const AvatarLoad load =
      own > 0 ? LoadAvatar(own, own, false, kOwnAvatarSize, fallback, onUiThread(this, [this](const QImage& image) {
                  if (image.isNull()) return;
                  avatarPicture_ = image;
                  showOwnAvatar();
                }))
              : AvatarLoad{fallback, false};
  avatarPicture_ = load.picture.isNull() ? fallback : load.picture;
  showOwnAvatar();
}

void CKivDlg::showConnection(bool online) {
  refreshOwnAvatar(!online);
  trayIconNumber_ = online ? kOnlineIcon : kOfflineIcon;
  tray_->setIcon(ResourceLoader::icon(trayIconNumber_));
}

void CKivDlg::showOwnAvatar() {
  QImage shown = avatarPicture_;
  if (avatarGrey_) MakeGrayAvatar(shown);
  avatar_->setPixmap(QPixmap::fromImage(shown));
}

QImage CKivDlg::ownAvatar() const {
  return avatar_->pixmap().toImage();
}

void CKivDlg::selfChanged(const SelfProfile& /*self*/) {
  refreshHeaderTexts();
}

void CKivDlg::avatarChanged(std::int32_t id, bool group) {
  if (!group && id == session_.model.self().userId) refreshOwnAvatar(avatarGrey_);
}

// --- tabs and layout

void CKivDlg::setTabPictures() {
  for (int i = 0; i < 3; ++i) {
    if (i + 1 == wantedTab_)
      tabs_[i]->setBitmaps(tabPicture(i, 1), tabPicture(i, 1), tabPicture(i, 1));
    else
      tabs_[i]->setBitmaps(tabPicture(i, 0), tabPicture(i, 1), tabPicture(i, 2));
  }
}

void CKivDlg::selectTab(int tab) {
  if (tab < kGroupsTab || tab > kStrangersTab) return;
  wantedTab_ = tab;
  if (shownTab_ == tab) return;
  shownTab_ = tab;
  tree_->setVisible(tab == kGroupsTab);
  friends_->setVisible(tab == kFriendsTab);
  strangers_->setVisible(tab == kStrangersTab);
  setTabPictures();
  createGroupButton_->setVisible(tab == kGroupsTab);
  searchGroupButton_->setVisible(tab == kGroupsTab);
  addFriendButton_->setVisible(tab == kFriendsTab);
}

void CKivDlg::layoutControls() {
  for (CBitButtonNL* button : bottomButtons_) {
    QRect place = button->geometry();
    place.moveBottom(height() - 1 - kBottomGap);
    button->setGeometry(place);
  }
  const QRect area(tree_->pos(), QSize(width() - kListWidthMargin, height() - kListHeightMargin));
  tree_->setGeometry(area);
  friends_->setGeometry(area);
  strangers_->setGeometry(area);
}

void CKivDlg::resizeEvent(QResizeEvent* event) {
  CDlgBasicResizable::resizeEvent(event);
  if (tree_ != nullptr) layoutControls();
}

// --- conversations

ConversationWindow* CKivDlg::openConversation(ChatCategory category, std::int32_t number,
                                              const std::string& partnerName, const std::string& groupText,
                                              std::int32_t terminal) {
  return conversations_->open(category, number, partnerName, groupText, terminal);
}

bool CKivDlg::showBatch(const MessageService::Address& to, const MessageService::Batch& batch) {
  return conversations_->showBatch(to, batch);
}

void CKivDlg::batchArrived(const MessageService::Address& to, const MessageService::Batch& batch, bool shown) {
  alerts_->arrived(to, batch, shown);
}

void CKivDlg::showConversation(ChatCategory category, std::int32_t number, const std::string& partnerName,
                               const std::string& groupText, std::int32_t terminal) {
  if (CSendMessage* window = conversations_->open(category, number, partnerName, groupText, terminal)) {
    // A window that a notice left minimised comes back as the user asks
    // for the conversation.
    if (window->isMinimized())
      window->showNormal();
    else
      window->show();
    window->raise();
    window->activateWindow();
    alerts_->opened(category == ChatCategory::kGroup ? ConversationKind::kGroup : ConversationKind::kPrivate, number);
  }
}

// --- the member windows

void CKivDlg::showSearch(SearchMode mode) {
  openSearch(mode);
}

namespace {

void bringUp(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

void CKivDlg::showOptions() {
  if (options_ == nullptr) options_ = new CDlgOption(session_, this);
  bringUp(options_);
}

void CKivDlg::showHistory() {
  if (history_ == nullptr)
    history_ = new CDlgHistory(session_, this);
  else
    history_->Rebuild();  // the contacts may have changed since it was last shown
  bringUp(history_);
}

// The search and profile windows show and raise themselves.
void CKivDlg::openSearch(std::optional<SearchMode> mode) {
  if (search_ == nullptr) search_ = new CDlgSearch(session_, this);
  if (!mode)
    search_->showSearch();  // as it was left
  else if (*mode == SearchMode::kGroup)
    search_->showGroupSearch();
  else
    search_->showFriendSearch();
}

void CKivDlg::showOwnProfile() {
  if (ownProfile_ == nullptr) ownProfile_ = new CDlgInfoUser(session_, this);
  const SelfProfile& self = session_.model.self();
  ownProfile_->ShowUser(self.userId, fromGbk(self.nickname));
}

void CKivDlg::createGroup() {
  if (session_.connectedOrSay()) tree_->groupManager().createGroup();
}

// --- the end

void CKivDlg::exitProgram() {
  if (!controller_->end()) return;
  tray_->hide();
  QDialog::done(Rejected);
}

bool CKivDlg::hasEnded() const {
  return controller_->ended();
}

void CKivDlg::closeWaitingWindows() {
  // A box still waiting for an answer (shown for the connection) would keep
  // the program from ending; nobody is left to answer it.
  QtMessagePresenter::dismissOpenBoxes();
  // Nor may a modal window (the search results) whose own loop runs inside
  // this one: the program would only end once the user closed it.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(widget);
    if (dialog != nullptr && dialog != this && dialog->isVisible() && dialog->isModal()) dialog->reject();
  }
}

void CKivDlg::reject() {
  exitProgram();
}

void CKivDlg::closeEvent(QCloseEvent* event) {
  exitProgram();
  event->accept();
}

}  // namespace kiv
