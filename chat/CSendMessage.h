#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>

#include "chat/ClockOffset.h"
#include "chat/InputStyle.h"
#include "model/ConversationWindow.h"
#include "model/ReceivedMessages.h"
#include "net/ConversationKind.h"
#include "skin/CDlgBasic.h"

class QLabel;

namespace kiv {

class CBitButtonNL;
class CRichEditCtrlEx;
class TaskbarFlash;
struct AddFriendResponse;
struct ClientSession;
struct GroupInfoResponse;
struct SendMessageRequest;
struct SendMessageResponse;
struct UserInfoResponse;

// The conversation window: one per person or group. It shows what was said
// (received text in grey, the own echo in the user's font, notices in
// purple-red), sends what the user types, stores both in the history, and
// lets the user add the partner as a friend. Closing only hides it; the text
// stays until the window is destroyed.
//
// The opener creates it, then calls setPartner() and setTitleLine() (again
// on every reopen) and askProfile() once. Fetched messages reach it through
// showReceived(), stored already.
class CSendMessage : public CDlgBasic, public ConversationWindow {
  Q_OBJECT
 public:
  static constexpr int kViewId = 1051;
  static constexpr int kInputId = 1052;
  static constexpr int kSendId = 1050;
  static constexpr int kCloseButtonId = 2;
  static constexpr int kAddFriendId = 1057;
  static constexpr int kFontId = InputStyle::kFontId;
  static constexpr int kColourId = InputStyle::kColourId;
  static constexpr int kLimitLabelId = 1018;
  static constexpr int kAvatarId = 1033;
  static constexpr int kPartnerPictureId = 1063;
  static constexpr int kOwnPictureId = 1064;

  static constexpr int kWidth = 560;
  static constexpr int kHeight = 480;

  // Notices and delivery failures, and received text.
  static QColor noticeColour() { return QColor(255, 0, 128); }
  static QColor receivedColour() { return QColor(0x77, 0x77, 0x77); }

  // A conversation with user or group `partner`.
  CSendMessage(ClientSession& session, std::int32_t partner, ConversationKind kind, QWidget* parent = nullptr);
  ~CSendMessage() override;

  std::int32_t partner() const { return partner_; }
  ConversationKind kind() const { return kind_; }

  // Partner name (GBK; quoted in messages) and partner terminal (input limit
  // and the label "您还可以再输入[%d]个字": 500 for terminal 3, else 120).
  // Called again on every reopen.
  void setPartner(const std::string& gbkName, std::int32_t terminal);
  // The first header line and the window title (the opener composes the
  // title text).
  void setTitleLine(const QString& title);
  // Sends UserInfoRequest (private) or GroupInfoRequest (group) with this
  // window answering.
  void askProfile();
  // Shows messages fetched for this conversation, already stored (`stored`
  // false: the disk refused them, and the user is told so), then sounds and
  // shows the window minimised if it was hidden.
  void showReceived(const ReceivedMessages& received, bool stored);

  // ConversationWindow: closes for good and deletes itself once control is
  // back in the event loop, so it may be called from this window's own
  // answer handler.
  void destroy() override;
  bool isAlive() const override { return alive_; }

  // The commands of the buttons.
  void send();
  void addFriend();

  const std::string& partnerName() const { return partnerName_; }
  std::int32_t partnerTerminal() const { return partnerTerminal_; }
  int inputLimit() const;
  const QString& titleLine() const { return titleLine_; }
  const QString& profileLine() const { return profileLine_; }
  // The font and colour of what the user types, and their buttons.
  InputStyle& inputStyle() const { return *inputStyle_; }
  const ClockOffset& clock() const { return clock_; }
  bool isFlashing() const;
  CRichEditCtrlEx* view() const { return view_; }
  CRichEditCtrlEx* input() const { return input_; }

 protected:
  void OnDrawBackground(QPainter& painter, int left, int top, int right, int bottom) override;
  void onCloseClicked() override;
  void reject() override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void showAvatar();
  void applyInputLimit();
  void notice(const QString& text);
  // The history refused what the window shows (a full disk, most likely).
  void historyNotSaved();
  void setProfileLine(const QString& text);

  void onSendResult(const SendMessageRequest& sent, const SendMessageResponse& reply);
  void onAddFriendResult(const AddFriendResponse& reply);
  void onUserProfile(const UserInfoResponse& reply);
  void onGroupProfile(const GroupInfoResponse& reply);
  // The nickname a new friend entry gets: the one the lists know, else the
  // partner name cut to its field.
  std::string friendNickname() const;

  ClientSession& session_;
  std::int32_t partner_;
  ConversationKind kind_;
  std::string partnerName_;
  std::int32_t partnerTerminal_ = -1;
  QString titleLine_;
  QString profileLine_;
  ClockOffset clock_;
  bool alive_ = true;
  bool limiting_ = false;

  CRichEditCtrlEx* view_ = nullptr;
  CRichEditCtrlEx* input_ = nullptr;
  CBitButtonNL* sendButton_ = nullptr;
  CBitButtonNL* closeChatButton_ = nullptr;
  CBitButtonNL* addFriendButton_ = nullptr;
  InputStyle* inputStyle_ = nullptr;
  QLabel* limitLabel_ = nullptr;
  QLabel* avatar_ = nullptr;
  QLabel* partnerPicture_ = nullptr;
  QLabel* ownPicture_ = nullptr;
  TaskbarFlash* flash_ = nullptr;
};

}  // namespace kiv
