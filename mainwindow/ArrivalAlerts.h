#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>
#include <chrono>
#include <cstdint>

#include "model/MessageService.h"
#include "net/ConversationKind.h"

class QSystemTrayIcon;
class QWidget;

namespace kiv {

class ContactCommands;
class DesktopNotifier;
struct ClientSession;

// What the user learns of messages that arrive while they look elsewhere: a
// batch for a conversation whose window is not the active one counts as
// unread (the rows' badges, the tray icon's tip) and, when the user wants
// it, shows a desktop notification, one per conversation. Clicking the
// notification opens and raises the conversation; opening or activating the
// conversation clears its count and takes the notification away.
//
// UI thread only.
class ArrivalAlerts : public QObject {
  Q_OBJECT
 public:
  ArrivalAlerts(ClientSession& session, ContactCommands& commands, QSystemTrayIcon& tray, QObject* parent);
  ~ArrivalAlerts() override;

  // Notifications go to the service on `bus` from now on (the session bus
  // by default).
  void useBus(const QDBusConnection& bus);

  // A batch was stored and handed on; `shown` when the conversation's window
  // shows it (else it was kept for the next window).
  void arrived(const MessageService::Address& from, const MessageService::Batch& batch, bool shown);
  // The user opened the conversation.
  void opened(ConversationKind kind, std::int32_t number);

  static QString keyOf(ConversationKind kind, std::int32_t number);
  // When the batch of the newest notification was stored (for the figure of
  // how soon notifications follow).
  std::chrono::steady_clock::time_point lastNotifiedStoredAt() const { return lastNotifiedStoredAt_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void clicked(const QString& key);
  void showWaitingInTray();

  ClientSession& session_;
  ContactCommands& commands_;
  QSystemTrayIcon& tray_;
  DesktopNotifier* notifier_ = nullptr;
  // Who each notified conversation is with, for its click.
  QHash<QString, MessageService::Address> notified_;
  std::chrono::steady_clock::time_point lastNotifiedStoredAt_{};
};

}  // namespace kiv
