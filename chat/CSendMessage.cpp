#include "chat/CSendMessage.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <ctime>

#include "chat/CRichEditCtrlEx.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "model/ReceivedMessages.h"
#include "model/SentMessage.h"
#include "model/TerminalType.h"
#include "net/AddFriendMessages.h"
#include "net/GroupInfoMessages.h"
#include "net/SendMessageMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "platform/qt/GbkQt.h"
#include "platform/qt/TaskbarFlash.h"
#include "platform/qt/WavePlayer.h"
#include "skin/CBitButtonNL.h"
#include "skin/FramePieces.h"
#include "skin/ResourceLoader.h"
#include "storage/LocalStores.h"
#include "platform/SoundEnabled.h"
#include "avatars/Avatars.h"

namespace kiv {
namespace {

// Pictures of the skin.
constexpr int kBackgroundTile = 171;
constexpr int kHeaderStrip = 243;
constexpr int kToolStrip = 244;
constexpr int kColumnRule = 242;
constexpr int kButtonStrip = 214;
constexpr int kMaleFigure = 238;
constexpr int kFemaleFigure = 239;
constexpr int kGroupFigure = 271;
constexpr int kDefaultUserAvatar = 148;
constexpr int kDefaultGroupAvatar = 240;
constexpr int kMessageSound = 268;

constexpr int kAvatarSize = 40;
constexpr qreal kInputPointSize = 9.5;  // 190 twips

// The layout: a header band under the caption (avatar, title and profile
// lines), the conversation over a tool bar over the input box on the left,
// the two figures in a column on the right, the buttons along the bottom.
constexpr int kSide = 3;  // the frame's side bands
constexpr int kHeaderTop = CDlgBasic::kCaptionHeight;
constexpr int kHeaderBottom = kHeaderTop + 56;
constexpr int kColumnLeft = CSendMessage::kWidth - kSide - 114;  // the rule, then the figures
constexpr int kViewTop = kHeaderBottom + 4;
constexpr int kViewHeight = 226;
constexpr int kToolTop = kViewTop + kViewHeight + 2;
constexpr int kToolHeight = 26;
constexpr int kInputTop = kToolTop + kToolHeight + 3;
constexpr int kButtonBarHeight = 36;
constexpr int kButtonBarTop = CSendMessage::kHeight - 2 - kButtonBarHeight;
constexpr int kInputHeight = kButtonBarTop - 4 - kInputTop;
constexpr int kButtonWidth = 72;
constexpr int kButtonHeight = 24;
constexpr int kButtonTop = kButtonBarTop + (kButtonBarHeight - kButtonHeight) / 2;
// The header lines: the title in the caption, the profile line in the band.
constexpr int kTextLeft = 60;
constexpr int kTitleTop = 4;
constexpr int kProfileTop = 30;
constexpr int kLineHeight = 16;
constexpr int kProfileRepaintRight = 800;

std::string utf8(std::string_view gbk) {
  return gbk::toUtf8(gbk);
}

QLabel* makePicture(QWidget* parent, int id, const QString& name, const QRect& place) {
  auto* label = new QLabel(parent);
  label->setProperty("controlId", id);
  label->setAccessibleName(name);
  label->setGeometry(place);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

CBitButtonNL* makeButton(QWidget* parent, int id, const QString& text, const int (&images)[3], const QRect& place) {
  auto* button = new CBitButtonNL(text, parent);
  button->setProperty("controlId", id);
  button->setAccessibleName(text);
  button->setToolTip(text);
  button->setBitmaps(images[0], images[1], images[2]);
  button->setGeometry(place);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

CSendMessage::CSendMessage(ClientSession& session, std::int32_t partner, ConversationKind kind, QWidget* parent)
    : CDlgBasic(parent), session_(session), partner_(partner), kind_(kind) {
  setFixedSize(kWidth, kHeight);
  setModal(false);
  buildControls();
  flash_ = new TaskbarFlash(this);

  const bool group = kind_ == ConversationKind::kGroup;
  // The opening look: who is talked to, and who talks.
  setProfileLine(group ? QStringLiteral("群简介:") : QStringLiteral("好友简介:"));
  partnerPicture_->setPixmap(ResourceLoader::bitmap(group ? kGroupFigure : kMaleFigure));
  const bool ownFemale = session_.model.self().sex == gbk::fromUtf8("女");
  ownPicture_->setPixmap(ResourceLoader::bitmap(ownFemale ? kFemaleFigure : kMaleFigure));
  // Adding as a friend is offered to strangers and group members only.
  addFriendButton_->setVisible(!group && session_.model.findFriend(partner_) == nullptr);
  showAvatar();

  // Typing is what the window is for: the input box has the focus first,
  // the buttons and the conversation follow it.
  setTabOrder(input_, sendButton_);
  setTabOrder(sendButton_, closeChatButton_);
  setTabOrder(closeChatButton_, view_);
  input_->setFocus();

  view_->setSession(&session_);
  view_->setConversation(partner_, kind_);
  setPartner(partnerName_, partnerTerminal_);
}

CSendMessage::~CSendMessage() = default;

void CSendMessage::buildControls() {
  const int left = kSide + 5;
  const int innerWidth = kColumnLeft - 3 - left;

  view_ = new CRichEditCtrlEx(this);
  view_->setProperty("controlId", kViewId);
  view_->setAccessibleName(QStringLiteral("聊天记录"));
  view_->setReadOnly(true);
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::LinksAccessibleByMouse);
  // The conversation only grows at its end; an undo history of it would
  // only cost memory.
  view_->document()->setUndoRedoEnabled(false);
  view_->setGeometry(left, kViewTop, innerWidth, kViewHeight);

  input_ = new CRichEditCtrlEx(this);
  input_->setProperty("controlId", kInputId);
  input_->setAccessibleName(QStringLiteral("输入框"));
  input_->setGeometry(left, kInputTop, innerWidth, kInputHeight);
  input_->installEventFilter(this);
  connect(input_, &QTextEdit::textChanged, this, &CSendMessage::applyInputLimit);

  // The typing font: 9.5 pt in the window's face, plain, black, until the
  // user chooses another font or colour on the tool bar.
  QFont font = textFont();
  font.setPointSizeF(kInputPointSize);
  view_->document()->setDefaultFont(font);
  inputStyle_ = new InputStyle(input_, font, this, QPoint(left + 2, kToolTop + 1));

  static constexpr int kSendImages[3] = {246, 246, 247};
  static constexpr int kCloseImages[3] = {248, 248, 245};
  static constexpr int kAddFriendImages[3] = {218, 217, 218};
  const int sendLeft = kWidth - kSide - 6 - kButtonWidth;
  sendButton_ = makeButton(this, kSendId, QStringLiteral("发送"), kSendImages,
                           QRect(sendLeft, kButtonTop, kButtonWidth, kButtonHeight));
  sendButton_->setDefault(true);
  closeChatButton_ = makeButton(this, kCloseButtonId, QStringLiteral("关闭"), kCloseImages,
                                QRect(sendLeft - 8 - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight));
  addFriendButton_ = makeButton(this, kAddFriendId, QStringLiteral("加为好友"), kAddFriendImages,
                                QRect(left, kButtonTop, kButtonWidth, kButtonHeight));
  connect(sendButton_, &QAbstractButton::clicked, this, &CSendMessage::send);
  connect(closeChatButton_, &QAbstractButton::clicked, this, [this] { onCloseClicked(); });
  connect(addFriendButton_, &QAbstractButton::clicked, this, &CSendMessage::addFriend);

  limitLabel_ = new QLabel(this);
  limitLabel_->setProperty("controlId", kLimitLabelId);
  limitLabel_->setGeometry(inputStyle_->right() + 8, kToolTop + 5, 260, kLineHeight);

  avatar_ = makePicture(this, kAvatarId, QStringLiteral("头像"), QRect(12, kHeaderTop + 6, kAvatarSize, kAvatarSize));
  const int figureLeft = kColumnLeft + 2 + (kWidth - kSide - kColumnLeft - 2 - 100) / 2;
  partnerPicture_ =
      makePicture(this, kPartnerPictureId, QStringLiteral("对方形象"), QRect(figureLeft, kViewTop + 4, 100, 120));
  ownPicture_ =
      makePicture(this, kOwnPictureId, QStringLiteral("我的形象"), QRect(figureLeft, kInputTop - 24, 100, 120));
}

void CSendMessage::showAvatar() {
  const bool group = kind_ == ConversationKind::kGroup;
  const QImage fallback = ResourceLoader::bitmapImage(group ? kDefaultGroupAvatar : kDefaultUserAvatar)
                              .scaled(kAvatarSize, kAvatarSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const std::int32_t self = session_.model.self().userId;
  if (self <= 0 || partner_ <= 0) {
    avatar_->setPixmap(QPixmap::fromImage(fallback));
    return;
  }
  const AvatarLoad load =
      LoadAvatar(self, partner_, group, kAvatarSize, fallback, onUiThread(this, [this](const QImage& picture) {
                   if (!picture.isNull()) avatar_->setPixmap(QPixmap::fromImage(picture));
                 }));
  avatar_->setPixmap(QPixmap::fromImage(load.picture.isNull() ? fallback : load.picture));
}

void CSendMessage::setPartner(const std::string& gbkName, std::int32_t terminal) {
  partnerName_ = gbkName;
  partnerTerminal_ = terminal;
  // A limit that shrank on a reopen cuts what is already typed.
  applyInputLimit();
}

void CSendMessage::setTitleLine(const QString& title) {
  titleLine_ = title;
  setWindowTitle(title);
  setAccessibleName(title);
  update(0, 0, width(), kCaptionHeight);
}

void CSendMessage::setProfileLine(const QString& text) {
  profileLine_ = text;
  if (isVisible()) update(kTextLeft, kProfileTop, kProfileRepaintRight - kTextLeft, kLineHeight);
}

void CSendMessage::askProfile() {
  const auto id = static_cast<std::uint32_t>(partner_);
  // A destroyed window waits only for its deletion: answers pass it by.
  if (kind_ == ConversationKind::kGroup)
    session_.relay().ask(GroupInfoRequest{id}, this, [this](const GroupInfoRequest&, const GroupInfoResponse& reply) {
      if (alive_) onGroupProfile(reply);
    });
  else
    session_.relay().ask(UserInfoRequest{id}, this, [this](const UserInfoRequest&, const UserInfoResponse& reply) {
      if (alive_) onUserProfile(reply);
    });
}

void CSendMessage::destroy() {
  if (!alive_) return;
  alive_ = false;
  flash_->stop();
  hide();
  // Later, not now: the caller may be this window's own answer handler.
  deleteLater();
}

int CSendMessage::inputLimit() const {
  return terminal::messageLimit(partnerTerminal_);
}

bool CSendMessage::isFlashing() const {
  return flash_->active();
}

void CSendMessage::applyInputLimit() {
  if (limiting_) return;
  const int limit = inputLimit();
  QString text = input_->toPlainText();
  if (text.size() > limit) {
    text.truncate(limit);
    // Half a surrogate pair is no character: it goes with its other half.
    if (!text.isEmpty() && text.back().isHighSurrogate()) text.chop(1);
    limiting_ = true;
    // Through the code page, as the text will be sent.
    input_->setPlainText(fromGbk(toGbk(text)));
    input_->moveCursor(QTextCursor::End);
    limiting_ = false;
    text = input_->toPlainText();
  }
  const QString label = QStringLiteral("您还可以再输入[%1]个字").arg(limit - text.size());
  limitLabel_->setText(label);
  limitLabel_->setAccessibleName(label);
}

void CSendMessage::notice(const QString& text) {
  view_->appendColored(text, noticeColour());
}

void CSendMessage::historyNotSaved() {
  notice(QStringLiteral("\r\n\r\n 系统提示：聊天记录没能保存，磁盘空间可能已满！"));
}

void CSendMessage::send() {
  if (!session_.connectedOrSay()) {
    hide();
    return;
  }
  QString typed = input_->toPlainText();
  if (typed.isEmpty()) {
    notice(QStringLiteral("\r\n\r\n 系统提示：发送信息不能为空！"));
    input_->setFocus();
    return;
  }
  // Line breaks travel and are stored as the peers write them.
  typed.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  const std::string text = toGbk(typed);

  SendMessageRequest request;
  request.kind = kind_;
  request.target = static_cast<std::uint32_t>(partner_);
  request.text = text;
  session_.relay().ask(request, this, [this](const SendMessageRequest& asked, const SendMessageResponse& reply) {
    if (alive_) onSendResult(asked, reply);
  });

  // Echoed and stored at once; a failure reported later only adds a notice.
  const SentMessage echo = SentMessage::make(kind_, text, clock_.stampSend(std::time(nullptr)));
  const bool stored = echo.store(session_.store.history, kind_, partner_);
  view_->appendFormatted(fromGbk(echo.viewText()), inputStyle_->format());
  if (!stored) historyNotSaved();
  input_->clear();
  input_->setFocus();
}

void CSendMessage::addFriend() {
  if (!session_.connectedOrSay()) {
    hide();
    return;
  }
  session_.relay().ask(AddFriendRequest{static_cast<std::uint32_t>(partner_)}, this,
                       [this](const AddFriendRequest&, const AddFriendResponse& reply) {
                         if (alive_) onAddFriendResult(reply);
                       });
  addFriendButton_->hide();
}

void CSendMessage::showReceived(const ReceivedMessages& received, bool stored) {
  if (received.empty()) return;
  for (const auto& block : received.blocks) {
    view_->appendColored(fromGbk(block.viewText()), receivedColour());
    if (block.invitation) view_->appendLink(fromGbk(ReceivedMessages::linkText()));
  }
  if (!stored) historyNotSaved();
  if (SoundEnabled.load()) WavePlayer::play(ResourceLoader::waveUrl(kMessageSound));
  if (!isVisible()) showMinimized();
  flash_->start();
}

void CSendMessage::onSendResult(const SendMessageRequest& sent, const SendMessageResponse& reply) {
  const bool group = kind_ == ConversationKind::kGroup;
  if (reply.result == SendMessageResponse::kDelivered) {
    clock_.learn(reply.serverTime);
    return;
  }
  if (group && reply.result == SendMessageResponse::kRemovedFromGroup) {
    showMessage("系统提示:您已经被请出了群" + utf8(partnerName_));
    // Takes this very window with the group; it goes once this returns.
    session_.model.removeGroup(partner_);
    return;
  }
  if (group && reply.result == SendMessageResponse::kBroadcastGroup) {
    notice(QStringLiteral("\r\n\r\n 您所在的群是广播群,只允许群主发言"));
  } else if (!group && reply.result == SendMessageResponse::kRecipientCancelled) {
    notice(QStringLiteral("\r\n\r\n 系统提示:好友已经取消了该项业务"));
  } else {
    notice(QStringLiteral("\r\n\r\n您发送的:%1,\r\n未能发送到对方!请重试.").arg(fromGbk(sent.text)));
  }
  input_->setFocus();
}

std::string CSendMessage::friendNickname() const {
  if (const ContactEntry* stranger = session_.model.findStranger(partner_)) return stranger->nickname;
  if (const auto member = session_.model.findMemberInAnyGroup(partner_)) return texts::clipNickname(member->nickname);
  return texts::clipNickname(partnerName_);
}

void CSendMessage::onAddFriendResult(const AddFriendResponse& reply) {
  const std::string name = utf8(partnerName_);
  switch (reply.result) {
    case AddFriendResponse::kAdded: {
      ContactEntry entry;
      entry.userId = partner_;
      entry.nickname = friendNickname();
      entry.terminal = partnerTerminal_ < 0 ? terminal::kSms : partnerTerminal_;
      session_.model.addOrUpdateContact(ContactListKind::kFriends, entry);
      // A stranger's window goes with the stranger; this one only once
      // this handler has returned.
      session_.model.removeContact(ContactListKind::kStrangers, partner_);
      showMessage("好友" + name + "成功添加到好友列表中");
      return;
    }
    case AddFriendResponse::kNoSuchUser:
      showMessage("你要添加的好友" + name + "ID不正确");
      break;
    case AddFriendResponse::kAlreadyFriend:
      showMessage("你要添加的好友" + name + "已经添加到列表中");
      break;
    default:
      showMessage(name + "加为好友失败,请稍后再试");
      break;
  }
  if (alive_) addFriendButton_->show();
}

void CSendMessage::onUserProfile(const UserInfoResponse& reply) {
  if (reply.status != 0 || reply.introduction.empty())
    setProfileLine(QStringLiteral("好友简介: 这个人很神秘!"));
  else
    setProfileLine(QStringLiteral("好友简介:") + fromGbk(reply.introduction));
  if (reply.sex == gbk::fromUtf8("女")) partnerPicture_->setPixmap(ResourceLoader::bitmap(kFemaleFigure));
}

void CSendMessage::onGroupProfile(const GroupInfoResponse& reply) {
  if (reply.status != 0)
    setProfileLine(QStringLiteral("群简介: 群主很低调!"));
  else
    setProfileLine(QStringLiteral("群简介:") + fromGbk(reply.introduction));
}

void CSendMessage::OnDrawBackground(QPainter& painter, int /*left*/, int /*top*/, int right, int bottom) {
  const int inner = right - kSide;
  FramePieces::tile(painter, ResourceLoader::bitmap(kHeaderStrip), kSide, kHeaderTop, inner, kHeaderBottom);
  FramePieces::tile(painter, ResourceLoader::bitmap(kBackgroundTile), kSide, kHeaderBottom, inner, kButtonBarTop);
  FramePieces::tile(painter, ResourceLoader::bitmap(kToolStrip), kSide, kToolTop, kColumnLeft, kToolTop + kToolHeight);
  FramePieces::tile(painter, ResourceLoader::bitmap(kColumnRule), kColumnLeft, kHeaderBottom, kColumnLeft + 2,
                    kButtonBarTop);
  FramePieces::tile(painter, ResourceLoader::bitmap(kButtonStrip), kSide, kButtonBarTop, inner, bottom - 2);

  painter.setPen(Qt::black);
  painter.setBackgroundMode(Qt::TransparentMode);
  // The title starts after the program's name in the caption's corner.
  const int cornerWidth = ResourceLoader::logicalSize(frame().piece[FramePieces::TopLeft]).width();
  const int titleLeft = std::max(kTextLeft, cornerWidth + 4);
  const QRect title(titleLeft, kTitleTop, right - kTextLeft - titleLeft, kLineHeight);
  painter.setFont(titleFont());
  painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   painter.fontMetrics().elidedText(titleLine_, Qt::ElideRight, title.width()));
  const QRect profile(kTextLeft, kProfileTop, right - 2 * kTextLeft, kLineHeight);
  painter.setFont(textFont());
  painter.drawText(profile, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   painter.fontMetrics().elidedText(profileLine_, Qt::ElideRight, profile.width()));
}

void CSendMessage::onCloseClicked() {
  hide();
}

void CSendMessage::reject() {
  // Escape and every close only hide: the conversation stays.
  hide();
}

void CSendMessage::changeEvent(QEvent* event) {
  CDlgBasic::changeEvent(event);
  // The user has seen the window once it is restored or brought to the
  // front: the flashing has done its job.
  if (isMinimized()) return;
  if (event->type() == QEvent::WindowStateChange &&
      (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized))
    flash_->stop();
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) flash_->stop();
}

bool CSendMessage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == input_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    // Enter sends, as the default button of the window; Ctrl+Enter or
    // Shift+Enter starts a new line.
    if (enter && !(key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) {
      send();
      return true;
    }
    if (enter) {
      input_->textCursor().insertText(QStringLiteral("\n"));
      return true;
    }
  }
  return CDlgBasic::eventFilter(watched, event);
}

}  // namespace kiv
