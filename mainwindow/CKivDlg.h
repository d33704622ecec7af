#pragma once

#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "mainwindow/ContactCommands.h"
#include "net/PendingRequest.h"
#include "model/ContactModelObserver.h"
#include "model/SessionView.h"
#include "skin/CDlgBasicResizable.h"

namespace kiv {

class ArrivalAlerts;
class CBitButtonNL;
class CDlgHistory;
class CDlgInfoUser;
class CDlgOption;
class CDlgSearch;
class CKivListCtrl;
class CKivTreeCtrl;
class ConversationOpener;
class ConversationWindow;
class SessionController;
class SignInWindow;
struct ClientSession;

// The program's main window: the own avatar and profile lines, three tabs
// (groups, friends, strangers) over one list area, the buttons along the
// bottom, the system menu and the notification-area icon. It is the view of
// the session controller it owns, which signs in, keeps the lists, fetches
// and stores arriving messages and ends the session; the window shows
// itself only once signed in, shows the connection's look, opens and titles
// every conversation and shows the batches the controller hands it.
class CKivDlg : public CDlgBasicResizable,
                public ContactModelObserver,
                public ContactCommands,
                public SessionView {
  Q_OBJECT
 public:
  enum Control {
    kOwnAvatar = 1033,
    kTabGroups = 1052,
    kTabFriends = 1053,
    kTabStrangers = 1054,
    kCreateGroupButton = 1062,
    kSearchGroupButton = 1046,
    kAddFriendButton = 1045,
    kTree = 1004,
    kFriendList = 1050,
    kStrangerList = 1051,
    kMenuButton = 1005,
    kOptionsButton = 1006,
    kHistoryButton = 1007,
    kSearchButton = 1008,
  };
  // Menu 142.
  enum SystemCommand {
    kOwnProfile = 32771,
    kMySettings = 32772,
    kMessageManager = 32773,
    kFind = 32774,
    kMenuAddFriend = 32775,
    kHelp = 32776,
    kGoOnline = 32777,
    kGoOffline = 32778,
    kExit = 32779,
  };
  enum Tab { kGroupsTab = 1, kFriendsTab = 2, kStrangersTab = 3 };

  explicit CKivDlg(ClientSession& session, QWidget* parent = nullptr);
  ~CKivDlg() override;

  // The login window that the initialisation runs.
  void setSignInWindow(SignInWindow* signIn);
  SessionController& controller() const { return *controller_; }

  // Runs the sign-in; then afterSignIn(). False when the sign-in was given
  // up: the window never shows.
  bool OnInitDialog();
  // What follows a sign-in: the controller's part, then the header, the
  // avatar, the tabs and the notification-area icon.
  void afterSignIn();
  // OnInitDialog, then shows the window and waits until it has ended. The
  // window is not run as a modal dialog: hiding it into the notification
  // area must not end it.
  int run();

  // Opens the conversation (or reuses its window) and titles it; the window
  // is not shown. nullptr for a number below 1.
  ConversationWindow* openConversation(ChatCategory category, std::int32_t number, const std::string& partnerName,
                                       const std::string& groupText, std::int32_t terminal);
  // SessionView. The connection's look: the grey own avatar and icon 273,
  // or the coloured one and icon 128; the icon's tip stays.
  void showConnection(bool online) override;
  bool showBatch(const MessageService::Address& to, const MessageService::Batch& batch) override;
  void batchArrived(const MessageService::Address& to, const MessageService::Batch& batch, bool shown) override;
  void closeWaitingWindows() override;

  // ContactCommands
  void showConversation(ChatCategory category, std::int32_t number, const std::string& partnerName,
                        const std::string& groupText, std::int32_t terminal) override;
  void showSearch(SearchMode mode) override;

  void refreshHeaderTexts();
  // The own avatar at 40 pixels, grey while offline.
  void refreshOwnAvatar(bool grey);
  bool ownAvatarGrey() const { return avatarGrey_; }
  QImage ownAvatar() const;

  void selectTab(int tab);
  int shownTab() const { return shownTab_; }

  // Menu 142 with the entries that apply now ("上线" offline, "离线" online,
  // never "帮助").
  QMenu* prepareSystemMenu();
  QAction* systemAction(SystemCommand command) const;
  void runSystemCommand(SystemCommand command);
  QSystemTrayIcon* trayIcon() const { return tray_; }
  // Unread counts and desktop notifications of arriving messages.
  ArrivalAlerts& alerts() const { return *alerts_; }
  // The icon resource the notification area shows: 128 online, 273 once
  // the connection has ended.
  int trayIconNumber() const { return trayIconNumber_; }

  // Signs out, closes every conversation, saves the strangers and ends the
  // window (and so the program).
  void exitProgram();
  bool hasEnded() const;

  CKivTreeCtrl* tree() const { return tree_; }
  CKivListCtrl* friendList() const { return friends_; }
  CKivListCtrl* strangerList() const { return strangers_; }
  // The member windows once they were first asked for, else nullptr.
  CDlgOption* optionsWindow() const { return options_; }
  CDlgHistory* historyWindow() const { return history_; }
  CDlgSearch* searchWindow() const { return search_; }
  CDlgInfoUser* ownProfileWindow() const { return ownProfile_; }

  // ContactModelObserver
  void selfChanged(const SelfProfile& self) override;
  void avatarChanged(std::int32_t id, bool group) override;

 public slots:
  void reject() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  CBitButtonNL* makeButton(int id, const QString& text, int x, int y, int w, int h);
  void buildSystemMenu();
  void layoutControls();
  void setTabPictures();
  void popUpSystemMenu(const QPoint& globalTopLeft, bool above);
  void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
  void showOwnAvatar();

  // The member windows, each created on first use and then only shown.
  void openSearch(std::optional<SearchMode> mode);
  void showOptions();
  void showHistory();
  void showOwnProfile();
  void createGroup();

  ClientSession& session_;
  std::unique_ptr<SessionController> controller_;
  std::unique_ptr<ConversationOpener> conversations_;
  QLabel* avatar_ = nullptr;
  std::array<CBitButtonNL*, 3> tabs_{};
  CBitButtonNL* createGroupButton_ = nullptr;
  CBitButtonNL* searchGroupButton_ = nullptr;
  CBitButtonNL* addFriendButton_ = nullptr;
  std::array<CBitButtonNL*, 4> bottomButtons_{};
  CKivTreeCtrl* tree_ = nullptr;
  CKivListCtrl* friends_ = nullptr;
  CKivListCtrl* strangers_ = nullptr;
  QMenu* systemMenu_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  ArrivalAlerts* alerts_ = nullptr;
  CDlgOption* options_ = nullptr;
  CDlgHistory* history_ = nullptr;
  CDlgSearch* search_ = nullptr;
  CDlgInfoUser* ownProfile_ = nullptr;
  QImage avatarPicture_;
  bool avatarGrey_ = false;
  int trayIconNumber_ = 0;
  int shownTab_ = 0;
  int wantedTab_ = kGroupsTab;
};

}  // namespace kiv
