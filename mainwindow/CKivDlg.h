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
#include "net/LogoutState.h"
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
class ConversationWindow;
class MainWindowAnswers;
class MainWindowLink;
class MessageService;
struct ReceivedMessages;
class SignInWindow;
struct ClientSession;
struct GroupListResponse;
struct MessageNotice;
struct UserInfoResponse;

// The program's main window: the own avatar and profile lines, three tabs
// (groups, friends, strangers) over one list area, the buttons along the
// bottom, the system menu and the notification-area icon. Its initialisation
// runs the sign-in first; it shows itself only once signed in. It listens to
// the connection for the own profile and the group list, asks for and
// receives the friend and member lists, opens the conversations that
// notices announce, shows when the connection has ended, opens and titles
// every conversation, and signs out and saves the strangers when the
// program ends.
class CKivDlg : public CDlgBasicResizable, public ContactModelObserver, public ContactCommands {
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
  void setSignInWindow(SignInWindow* signIn) { signIn_ = signIn; }

  // Opens the login database and runs the sign-in; then afterSignIn().
  // False when the sign-in was given up: the window never shows.
  bool OnInitDialog();
  // What follows a sign-in: the cache purge, remembering the account, the
  // message store, the header, the avatar, the strangers, the tabs, the
  // notification-area icon and the sound switch.
  void afterSignIn();
  // OnInitDialog, then shows the window and waits until it has ended. The
  // window is not run as a modal dialog: hiding it into the notification
  // area must not end it.
  int run();

  // Opens the conversation (or reuses its window) and titles it; the window
  // is not shown. nullptr for a number below 1.
  ConversationWindow* openConversation(ChatCategory category, std::int32_t number, const std::string& partnerName,
                                       const std::string& groupText, std::int32_t terminal);
  // The message service's way to the conversations: opens the window and
  // shows the (stored) batch. False when it cannot be shown now.
  bool showFetched(ChatCategory category, std::int32_t number, const std::string& partnerName,
                   const std::string& groupText, std::int32_t terminal, const ReceivedMessages& messages,
                   bool stored);
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
  bool hasEnded() const { return ended_; }

  CKivTreeCtrl* tree() const { return tree_; }
  CKivListCtrl* friendList() const { return friends_; }
  CKivListCtrl* strangerList() const { return strangers_; }
  // The member windows once they were first asked for, else nullptr.
  CDlgOption* optionsWindow() const { return options_; }
  CDlgHistory* historyWindow() const { return history_; }
  CDlgSearch* searchWindow() const { return search_; }
  CDlgInfoUser* ownProfileWindow() const { return ownProfile_; }

  // From the connection (UI thread).
  void applyOwnProfile(const UserInfoResponse& profile);
  void applyGroupList(const GroupListResponse& groups);
  // One notice of waiting messages, for the message service; those that
  // come before the sign-in has ended wait for it.
  void handleNotice(const MessageNotice& notice);
  // The connection ended on its own (logout state 0, 1 or 3; the box for 3
  // is the connection's): the offline look.
  void connectionEnded(LogoutState state);

  // Answers to the requests asked under receiverHandle(), on the UI thread.
  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command);
  ReceiverHandle receiverHandle() const { return receiverHandle_; }

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
  // The grey own avatar and icon 273, or the coloured one and icon 128; the
  // icon's tip stays.
  void showConnectionLook(bool online);

  // The member windows, each created on first use and then only shown.
  void openSearch(std::optional<SearchMode> mode);
  void showOptions();
  void showHistory();
  void showOwnProfile();
  void createGroup();

  ClientSession& session_;
  std::shared_ptr<MainWindowAnswers> answers_;
  ReceiverHandle receiverHandle_ = 0;
  SignInWindow* signIn_ = nullptr;
  std::shared_ptr<MainWindowLink> link_;
  std::unique_ptr<MessageService> messages_;
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
  bool signedIn_ = false;
  int shownTab_ = 0;
  int wantedTab_ = kGroupsTab;
  bool ended_ = false;
};

}  // namespace kiv
