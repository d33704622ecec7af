#include "chat/CRichEditCtrlEx.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <limits>

#include "model/ClientSession.h"
#include "net/FetchMessagesMessages.h"
#include "net/InviteToGroupMessages.h"
#include "net/JoinGroupMessages.h"
#include "platform/MessageBox.h"

namespace kiv {
namespace {

constexpr qreal kStandardPointSize = 9.5;  // 190 twips
const QString kLinkHref = QStringLiteral("kiv:agree");

QString withLineBreaks(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  const bool startsParagraph = text.startsWith(QLatin1Char('\n'));
  text.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
  if (startsParagraph) text[0] = QLatin1Char('\n');
  return text;
}

// The number of an invitation: ASCII digits only. An empty text would ask
// for number 0 and one beyond 32 bits would wrap to another number, so both
// count as malformed.
std::optional<std::uint32_t> invitationNumber(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c.unicode() - u'0');
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

// The link fragment of `block` that holds `position`, if any.
std::optional<QTextFragment> linkAt(const QTextBlock& block, int position) {
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    if (fragment.isValid() && fragment.contains(position) && fragment.charFormat().isAnchor()) return fragment;
  }
  return std::nullopt;
}

}  // namespace

CRichEditCtrlEx::CRichEditCtrlEx(QWidget* parent) : QTextEdit(parent) {
  // Only plain text ever enters, from code or from the clipboard.
  setAcceptRichText(false);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void CRichEditCtrlEx::setSession(ClientSession* session) {
  session_ = session;
}

void CRichEditCtrlEx::setConversation(std::int32_t partner, ConversationKind kind) {
  partner_ = partner;
  kind_ = kind;
}

QTextCharFormat CRichEditCtrlEx::standardFormat(const QColor& colour) {
  QTextCharFormat format;
  format.setFontPointSize(kStandardPointSize);
  format.setFontWeight(QFont::Normal);
  format.setFontUnderline(false);
  format.setForeground(colour);
  return format;
}

void CRichEditCtrlEx::insertAtEnd(const QString& text, const QTextCharFormat& format) {
  // A cursor of its own: the user's selection and caret stay as they are,
  // and only the end of the document is laid out anew.
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertText(withLineBreaks(text), format);
}

void CRichEditCtrlEx::scrollToBottomLater() {
  if (scrollPending_) return;
  scrollPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        scrollPending_ = false;
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
      },
      Qt::QueuedConnection);
}

void CRichEditCtrlEx::appendColored(const QString& text, const QColor& colour) {
  appendFormatted(text, standardFormat(colour));
}

void CRichEditCtrlEx::appendFormatted(const QString& text, const QTextCharFormat& format) {
  insertAtEnd(text, format);
  scrollToBottomLater();
}

void CRichEditCtrlEx::appendLink(const QString& text) {
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  QTextCharFormat format = end.charFormat();
  format.setAnchor(true);
  format.setAnchorHref(kLinkHref);
  format.setFontUnderline(true);
  end.insertText(withLineBreaks(text), format);
}

std::optional<QString> CRichEditCtrlEx::bracketText(const QString& line) {
  const qsizetype close = line.indexOf(QLatin1Char(']'));
  if (close < 0) return std::nullopt;
  const qsizetype open = line.indexOf(QLatin1Char('['));
  if (open < 0) return line.left(close);
  if (close < open) return QString();
  return line.mid(open + 1, close - open - 1);
}

bool CRichEditCtrlEx::sendFor(std::uint32_t number) {
  if (session_ == nullptr) return false;
  // Nobody reads the answer: the lists show the change with their next
  // update.
  if (kind_ == ConversationKind::kGroup)  // the owner lets the user who asked into this group
    return session_->relay().tell(InviteToGroupRequest{static_cast<std::uint32_t>(partner_), number}, this);
  // The user accepts the invitation into that group.
  return session_->relay().tell(JoinGroupRequest{number}, this);
}

bool CRichEditCtrlEx::activateLinkAt(int position) {
  if (!kind_) return false;
  const QTextBlock block = document()->findBlock(position);
  const auto link = linkAt(block, position);
  if (!link) return false;

  const QString numberText = bracketText(block.text()).value_or(QString());
  const auto number = invitationNumber(numberText);
  if (!number) {
    const QString text = kind_ == ConversationKind::kGroup ? QStringLiteral("用户ID号%1有误,加入失败!").arg(numberText)
                                                     : QStringLiteral("群号%1有误,加入失败!").arg(numberText);
    showMessage(text.toStdString());
    return true;
  }
  if (partner_ <= 0 || !sendFor(*number)) return true;

  // The link is gone once followed, so it cannot be clicked twice.
  QTextCharFormat plain = link->charFormat();
  plain.setAnchor(false);
  plain.clearProperty(QTextFormat::AnchorHref);
  plain.setFontUnderline(false);
  QTextCursor replace(document());
  replace.setPosition(link->position());
  replace.setPosition(link->position() + link->length(), QTextCursor::KeepAnchor);
  replace.insertText(QStringLiteral("已提交!"), plain);
  return true;
}

void CRichEditCtrlEx::mouseReleaseEvent(QMouseEvent* event) {
  QTextEdit::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !kind_) return;
  const QPoint at = event->position().toPoint();
  if (anchorAt(at).isEmpty()) return;
  // A release over the right half of the last character puts the caret
  // after the link; the character before it is the one clicked then.
  const int position = cursorForPosition(at).position();
  if (!activateLinkAt(position)) activateLinkAt(position - 1);
}

void CRichEditCtrlEx::mouseMoveEvent(QMouseEvent* event) {
  QTextEdit::mouseMoveEvent(event);
  const bool overLink = kind_.has_value() && !anchorAt(event->position().toPoint()).isEmpty();
  viewport()->setCursor(overLink ? Qt::PointingHandCursor : (isReadOnly() ? Qt::ArrowCursor : Qt::IBeamCursor));
}

}  // namespace kiv
