#include "platform/dbus/DesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <algorithm>
#include <utility>

namespace kiv {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
// A service that does not answer in this time is taken to be absent.
constexpr int kCallTimeoutMs = 5000;
constexpr int kMaxTitle = 64;
constexpr int kMaxText = 160;

bool isLineBreak(QChar c) {
  return c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029);
}

// Control characters, and the direction overrides that would let a text
// reorder what is shown around it.
bool isHidden(QChar c) {
  const char16_t u = c.unicode();
  return c.category() == QChar::Other_Control || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

// The first line of `text` that holds anything, without hidden characters,
// at most `maxChars` long (an ellipsis marks the cut).
QString firstLine(const QString& text, int maxChars) {
  QString line;
  for (const QChar c : text) {
    if (isLineBreak(c)) {
      if (!line.trimmed().isEmpty()) break;
      line.clear();
    } else if (!isHidden(c)) {
      line += c;
    }
  }
  line = line.trimmed();
  if (line.size() > maxChars) {
    int cut = maxChars - 1;
    if (line.at(cut - 1).isHighSurrogate()) --cut;
    line = line.left(cut) + QChar(0x2026);
  }
  return line;
}

}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : DesktopNotifier(QDBusConnection::sessionBus(), parent) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {
  if (!bus_.isConnected()) return;
  // Only the notification service's own signals count: any other program
  // on the bus could send one with a guessed id.
  bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
               SLOT(onActionInvoked(uint, QString)));
  bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
}

DesktopNotifier::~DesktopNotifier() {
  if (!bus_.isConnected()) return;
  bus_.disconnect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
  bus_.disconnect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
}

void DesktopNotifier::show(const QString& conversationKey, const QString& title, const QString& text,
                           const QString& avatarPath) {
  if (!bus_.isConnected()) return;
  Request request{firstLine(title, kMaxTitle), firstLine(text, kMaxText), QString(), ++shown_};
  if (!avatarPath.isEmpty()) {
    const QFileInfo image(avatarPath);
    if (image.isFile()) request.imageUri = QUrl::fromLocalFile(image.absoluteFilePath()).toString();
  }
  // Only the newest message of a conversation is worth showing.
  Entry& entry = entries_[conversationKey];
  entry.waiting = std::move(request);
  entry.withdrawn = false;
  dispatch(conversationKey);
}

void DesktopNotifier::withdraw(const QString& conversationKey) {
  const auto found = entries_.find(conversationKey);
  if (found == entries_.end()) return;
  found->waiting.reset();
  closeNotification(found->id);
  found->id = 0;
  // A notification still being sent is closed as soon as its id is known,
  // or it would stay for a conversation the user has already opened.
  if (found->inFlight) {
    found->withdrawn = true;
  } else {
    entries_.erase(found);
  }
}

void DesktopNotifier::closeNotification(uint id) {
  if (id == 0 || !bus_.isConnected()) return;
  QDBusMessage close = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
  close << id;
  bus_.asyncCall(close, kCallTimeoutMs);
}

void DesktopNotifier::dispatch(const QString& key) {
  if (markup_ == Markup::kUnknown) {
    askCapabilities();
    return;
  }
  auto found = entries_.find(key);
  if (found == entries_.end() || found->inFlight || !found->waiting) return;
  const Request request = std::move(*found->waiting);
  found->waiting.reset();
  found->inFlight = true;

  QVariantMap hints;
  hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
  if (!request.imageUri.isEmpty()) hints.insert(QStringLiteral("image-path"), request.imageUri);
  const QString appName =
      QCoreApplication::applicationName().isEmpty() ? QStringLiteral("Kiv") : QCoreApplication::applicationName();
  QDBusMessage notify = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
  notify << appName << found->id << QString() << request.title
         << (markup_ == Markup::kYes ? request.text.toHtmlEscaped() : request.text)
         << QStringList{kDefaultAction, QStringLiteral("打开")} << hints << qint32{-1};
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(notify, kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    auto entry = entries_.find(key);
    if (entry == entries_.end()) return;
    entry->inFlight = false;
    if (reply.isError()) {
      entry->id = 0;
      forgetService();
      return;
    }
    entry->id = reply.value();
    if (entry->withdrawn && !entry->waiting) {
      closeNotification(entry->id);
      entries_.erase(entry);
    } else if (entry->waiting) {
      dispatch(key);
    } else if (entry->id == 0) {
      entries_.erase(entry);
    }
  });
}

void DesktopNotifier::askCapabilities() {
  if (askingCapabilities_) return;
  askingCapabilities_ = true;
  const QDBusMessage ask =
      QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(ask, kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    askingCapabilities_ = false;
    const QDBusPendingReply<QStringList> reply = *call;
    if (reply.isError()) {
      // No service: what waited is not shown, later messages ask again.
      forgetService();
      return;
    }
    markup_ = reply.value().contains(QStringLiteral("body-markup")) ? Markup::kYes : Markup::kNo;
    // In the order they arrived, so the newest ends up on top.
    QList<std::pair<quint64, QString>> waiting;
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
      if (entry->waiting) waiting.append({entry->waiting->sequence, entry.key()});
    }
    std::sort(waiting.begin(), waiting.end());
    for (const auto& [sequence, key] : waiting) dispatch(key);
  });
}

void DesktopNotifier::forgetService() {
  markup_ = Markup::kUnknown;
  for (auto entry = entries_.begin(); entry != entries_.end();) {
    entry->waiting.reset();
    entry = entry->inFlight || entry->id != 0 ? std::next(entry) : entries_.erase(entry);
  }
}

QString DesktopNotifier::keyOf(uint id) const {
  if (id == 0) return QString();
  for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
    if (entry->id == id) return entry.key();
  }
  return QString();
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
  if (action != kDefaultAction) return;
  const QString key = keyOf(id);
  if (!key.isEmpty()) emit activated(key);
}

void DesktopNotifier::onClosed(uint id, uint /*reason*/) {
  const QString key = keyOf(id);
  if (key.isEmpty()) return;
  // The next message of the conversation opens a new notification.
  auto entry = entries_.find(key);
  entry->id = 0;
  if (!entry->inFlight && !entry->waiting) entries_.erase(entry);
}

}  // namespace kiv
