#include "mainwindow/ArrivalAlerts.h"

#include <QEvent>
#include <QFileInfo>
#include <QSystemTrayIcon>
#include <QWidget>

#include "avatars/AvatarPaths.h"
#include "mainwindow/ContactCommands.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/FetchMessagesMessages.h"
#include "platform/SoundEnabled.h"
#include "platform/dbus/DesktopNotifier.h"
#include "platform/qt/GbkQt.h"

namespace kiv {
namespace {

const char* const kConversationProperty = "kivUnreadConversation";

// The newest message of the batch: what the notification says.
QString newestText(const ReceivedMessages& messages) {
  for (auto block = messages.blocks.rbegin(); block != messages.blocks.rend(); ++block)
    if (!block->invitation) return fromGbk(block->text);
  return messages.blocks.empty() ? QString() : fromGbk(messages.blocks.back().text);
}

}  // namespace

ArrivalAlerts::ArrivalAlerts(ClientSession& session, ContactCommands& commands, QSystemTrayIcon& tray, QObject* parent)
    : QObject(parent), session_(session), commands_(commands), tray_(tray) {
  useBus(QDBusConnection::sessionBus());
}

ArrivalAlerts::~ArrivalAlerts() = default;

void ArrivalAlerts::useBus(const QDBusConnection& bus) {
  delete notifier_;
  notifier_ = new DesktopNotifier(bus, this);
  connect(notifier_, &DesktopNotifier::activated, this, &ArrivalAlerts::clicked);
}

QString ArrivalAlerts::keyOf(ConversationKind kind, std::int32_t number) {
  return (kind == ConversationKind::kGroup ? QStringLiteral("g%1") : QStringLiteral("u%1")).arg(number);
}

void ArrivalAlerts::arrived(const MessageService::Address& from, const MessageService::Batch& batch, bool shown) {
  const ReceivedMessages& messages = batch.messages;
  if (messages.empty()) return;
  const ConversationKind kind = from.kind();
  const ConversationRegistry& open = session_.model.conversations();
  auto* window = !shown ? nullptr
                        : dynamic_cast<QWidget*>(kind == ConversationKind::kGroup ? open.findGroup(from.number)
                                                                            : open.findPrivate(from.number));
  if (window != nullptr && window->isVisible() && window->isActiveWindow() && !window->isMinimized()) return;
  if (window != nullptr) {
    // Activating the window is how the user looks at what came.
    window->setProperty(kConversationProperty, keyOf(kind, from.number));
    window->installEventFilter(this);
  }
  session_.model.addUnread(kind, from.number, static_cast<int>(messages.blocks.size()));
  showWaitingInTray();
  if (!DesktopNoticesEnabled.load()) return;

  const bool group = kind == ConversationKind::kGroup;
  const QString title = fromGbk(group ? from.groupText : from.partnerName).trimmed();
  // A group's own picture stands for it; the sender's is known in private.
  QString avatar = QString::fromStdString(avatar::cacheFile(session_.model.self().userId, from.number, group));
  if (avatar.isEmpty() || !QFileInfo::exists(avatar)) avatar.clear();
  const QString key = keyOf(kind, from.number);
  notified_.insert(key, from);
  lastNotifiedStoredAt_ = batch.storedAt;
  notifier_->show(key, title.isEmpty() ? QString::number(from.number) : title, newestText(messages), avatar);
}

void ArrivalAlerts::opened(ConversationKind kind, std::int32_t number) {
  const QString key = keyOf(kind, number);
  if (notified_.remove(key) > 0) notifier_->withdraw(key);
  session_.model.clearUnread(kind, number);
  showWaitingInTray();
}

void ArrivalAlerts::clicked(const QString& key) {
  const auto found = notified_.constFind(key);
  if (found == notified_.constEnd()) return;
  const MessageService::Address to = *found;
  commands_.showConversation(to.category, to.number, to.partnerName, to.groupText, to.terminal);
  opened(to.kind(), to.number);
}

bool ArrivalAlerts::eventFilter(QObject* watched, QEvent* event) {
  // Some window systems activate a window that is shown minimised; the user
  // has not seen it then.
  const auto* window = qobject_cast<QWidget*>(watched);
  if (event->type() == QEvent::WindowActivate && window != nullptr && !window->isMinimized()) {
    const QString key = watched->property(kConversationProperty).toString();
    bool ok = false;
    const std::int32_t number = key.mid(1).toInt(&ok);
    if (ok) opened(key.startsWith(u'g') ? ConversationKind::kGroup : ConversationKind::kPrivate, number);
  }
  return QObject::eventFilter(watched, event);
}

void ArrivalAlerts::showWaitingInTray() {
  const int waiting = session_.model.unread().waitingConversations();
  tray_.setToolTip(waiting == 0 ? QStringLiteral("木棉") : QStringLiteral("木棉 - %1 个会话有未读消息").arg(waiting));
}

}  // namespace kiv
