#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>
#include <optional>

class QDBusPendingCallWatcher;

namespace kiv {

// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus): one bubble per
// conversation, replaced rather than stacked while more messages arrive, and
// a signal when the user clicks one.
//
// Nothing here ever blocks or complains: every call is asynchronous, and
// without a session bus or a notification service show() simply shows
// nothing (the program then behaves as it did before it had notifications).
// A service that appears later is used from the next show() on.
//
// What is shown came from other people: titles and texts are cut to one
// short line, control characters removed, and the text is escaped when the
// service reads markup, so no message can format or link anything.
//
// UI thread only.
class DesktopNotifier : public QObject {
  Q_OBJECT

 public:
  // Uses the session bus.
  explicit DesktopNotifier(QObject* parent = nullptr);
  // Uses `bus` (a private bus in tests).
  explicit DesktopNotifier(const QDBusConnection& bus, QObject* parent = nullptr);
  ~DesktopNotifier() override;

  // Shows the notification of `conversationKey` (any text naming one
  // conversation, e.g. "u10002" or "g20001"), replacing the one it showed
  // before: `title` is the sender or group, `text` the message, of which the
  // first line is shown, and `avatarPath` (optional) an image file shown
  // beside it when it exists.
  void show(const QString& conversationKey, const QString& title, const QString& text,
            const QString& avatarPath = QString());
  // Takes the notification of `conversationKey` away (its window was opened).
  void withdraw(const QString& conversationKey);

  // True once a notification service has answered.
  bool hasService() const { return markup_ != Markup::kUnknown; }

 signals:
  // The user clicked the notification of `conversationKey`.
  void activated(const QString& conversationKey);

 private slots:
  void onActionInvoked(uint id, const QString& action);
  void onClosed(uint id, uint reason);

 private:
  struct Request {
    QString title;
    QString text;
    QString imageUri;
    quint64 sequence = 0;  // the order of show() calls
  };
  // One conversation's notification: the id the service gave it, whether a
  // Notify call is under way (its id is not known yet, so a newer message
  // waits for it instead of opening a second bubble), and that newer message.
  struct Entry {
    uint id = 0;
    bool inFlight = false;
    bool withdrawn = false;  // withdraw() came while a call was under way
    std::optional<Request> waiting;
  };
  enum class Markup { kUnknown, kYes, kNo };

  void dispatch(const QString& key);
  void askCapabilities();
  void forgetService();
  void closeNotification(uint id);
  QString keyOf(uint id) const;

  QDBusConnection bus_;
  QHash<QString, Entry> entries_;
  Markup markup_ = Markup::kUnknown;
  bool askingCapabilities_ = false;
  quint64 shown_ = 0;
};

}  // namespace kiv
