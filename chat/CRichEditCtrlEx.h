#pragma once

#include <QColor>
#include <QString>
#include <QTextCharFormat>
#include <QTextEdit>
#include <cstdint>
#include <optional>

#include "net/ConversationKind.h"

namespace kiv {

struct ClientSession;

// The rich text control of the chat window: the read-only conversation view
// and the input box are both one. Text is only ever added at the end, as
// plain text (never markup, and addresses are not turned into links), in a
// colour, in a given format, or as the one kind of link the program makes:
// the "agree" link behind an invitation.
//
// A left click on such a link reads the number in square brackets on the
// link's line and asks the server: in a private conversation to join that
// group, in a group conversation to let that user into this group. The link
// then reads "已提交!". The input box belongs to no conversation and has no
// links to follow.
class CRichEditCtrlEx : public QTextEdit {
  Q_OBJECT
 public:
  explicit CRichEditCtrlEx(QWidget* parent = nullptr);

  // The connection link clicks send through. Without a session links do
  // nothing.
  void setSession(ClientSession* session);
  // The conversation the view belongs to; the input box belongs to none.
  void setConversation(std::int32_t partner, ConversationKind kind);
  std::int32_t partner() const { return partner_; }
  std::optional<ConversationKind> kind() const { return kind_; }

  // The format of coloured text: 9.5 pt, not bold, not underlined, `colour`.
  static QTextCharFormat standardFormat(const QColor& colour);
  // Each adds `text` at the very end ("\r\n" and a lone "\r" become line
  // breaks); the first two then scroll to the bottom once events run.
  void appendColored(const QString& text, const QColor& colour);
  void appendFormatted(const QString& text, const QTextCharFormat& format);
  // A link in the size and colour of what precedes it.
  void appendLink(const QString& text);

  // Follows the link at document position `position` as a click on it
  // does. False when there is no link there.
  bool activateLinkAt(int position);

  // The text between the first "[" and the first "]" of `line` (everything
  // before the "]" when there is no "["), or nothing when there is no "]".
  static std::optional<QString> bracketText(const QString& line);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void insertAtEnd(const QString& text, const QTextCharFormat& format);
  void scrollToBottomLater();
  // Sends the request for `number`; false when it could not be queued.
  bool sendFor(std::uint32_t number);

  ClientSession* session_ = nullptr;
  std::int32_t partner_ = 0;
  std::optional<ConversationKind> kind_;
  bool scrollPending_ = false;
};

}  // namespace kiv
