#pragma once

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QPointer>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <string>

#include "chat/CRichEditCtrlEx.h"
#include "chat/CSendMessage.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/TerminalType.h"
#include "net/ConversationKind.h"
#include "net/FetchMessagesMessages.h"
#include "net/NetClient.h"
#include "platform/Gbk.h"
#include "storage/LocalStores.h"
#include "support/session/ClientStack.h"

namespace kiv::test {

// Opens a chat window the way the main window does: created, registered
// with the conversations (which own it from then on), named, titled and
// asked for the partner's profile.
inline CSendMessage* openChat(ClientSession& session, std::int32_t partner, ConversationKind kind, const std::string& utf8Name,
                              std::int32_t terminal, bool askProfile = true) {
  auto* chat = new CSendMessage(session, partner, kind);
  if (kind == ConversationKind::kGroup)
    session.model.conversations().addGroup(partner, chat);
  else
    session.model.conversations().addPrivate(partner, chat);
  chat->setPartner(gbk::fromUtf8(utf8Name), terminal);
  chat->setTitleLine(QString::fromStdString("与 " + utf8Name + " 聊天当中..."));
  if (askProfile) chat->askProfile();
  return chat;
}
inline CSendMessage* openChat(ClientStack& stack, std::int32_t partner, ConversationKind kind, const std::string& utf8Name,
                              std::int32_t terminal, bool askProfile = true) {
  return openChat(stack.session, partner, kind, utf8Name, terminal, askProfile);
}

// Asks the server for the waiting messages of the window's conversation and
// hands them to it once stored, as the message service does on a notice.
inline void fetchFor(ClientSession& session, CSendMessage* chat) {
  FetchMessagesRequest fetch;
  fetch.kind = chat->kind();
  fetch.id = static_cast<std::uint32_t>(chat->partner());
  HistoryStore* store = &session.store.history;
  session.relay().ask(fetch, chat, [store, chat](const FetchMessagesRequest&, const FetchMessagesResponse& answer) {
    const ReceivedMessages received = ReceivedMessages::from(answer, chat->kind());
    chat->showReceived(received, received.rows.empty() || received.store(*store, chat->kind(), chat->partner()));
  });
}
inline void fetchFor(ClientStack& stack, CSendMessage* chat) {
  fetchFor(stack.session, chat);
}

// Types `text` one character at a time as an input method commits it (key
// events cannot carry Chinese characters).
inline void typeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QInputMethodEvent commit;
    commit.setCommitString(QString(c));
    QCoreApplication::sendEvent(widget, &commit);
  }
}

inline QString shown(const CSendMessage* chat) {
  return chat->view()->toPlainText();
}

inline bool waitForShown(const CSendMessage* chat, const QString& text) {
  return waitFor([&] { return shown(chat).contains(text); });
}

// Clicks the first occurrence of `text` in the view with `button`.
inline bool clickText(CRichEditCtrlEx* view, const QString& text, Qt::MouseButton button = Qt::LeftButton) {
  const QTextCursor found = view->document()->find(text);
  if (found.isNull()) return false;
  QTextCursor middle(view->document());
  middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
  view->setTextCursor(middle);
  view->ensureCursorVisible();
  const QRect at = view->cursorRect();
  QTest::mouseClick(view->viewport(), button, Qt::NoModifier, at.center());
  return true;
}

inline std::string utf8History(LocalStores& store, ConversationKind kind, std::int32_t partner) {
  return gbk::toUtf8(kind == ConversationKind::kGroup ? store.history.ReadGroupHistoryPage(partner, 0)
                                                : store.history.ReadUserHistoryPage(partner, 0));
}

inline std::size_t occurrences(const std::string& haystack, const std::string& needle) {
  std::size_t n = 0;
  for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + needle.size())) ++n;
  return n;
}

}  // namespace kiv::test
