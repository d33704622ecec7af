#pragma once

#include <QDBusConnection>
#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <chrono>

namespace kiv::test {

// A notification service for tests, on a bus of the test's own: it records
// every notification it is sent, keeps the ones on screen (a replaced one
// stays one), and clicks them on request.
class FakeNotificationService : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct Notification {
    QString appName;
    uint replacesId = 0;
    uint id = 0;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    std::chrono::steady_clock::time_point at{};  // when it was received
  };

  // Takes the service name on `bus`; false when it cannot.
  bool registerOn(QDBusConnection bus);

  const QList<Notification>& received() const { return received_; }
  const QMap<uint, Notification>& onScreen() const { return onScreen_; }
  // The user clicks `action` of notification `id`.
  void click(uint id, const QString& action) { emit ActionInvoked(id, action); }

 public slots:
  QStringList GetCapabilities() {
    return {QStringLiteral("body"), QStringLiteral("body-markup"), QStringLiteral("actions")};
  }
  uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
              const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);
  void CloseNotification(uint id);

 signals:
  void ActionInvoked(uint id, const QString& action);
  void NotificationClosed(uint id, uint reason);

 private:
  QList<Notification> received_;
  QMap<uint, Notification> onScreen_;
  uint lastId_ = 0;
};

}  // namespace kiv::test
