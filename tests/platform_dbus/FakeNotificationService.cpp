#include "platform_dbus/FakeNotificationService.h"

namespace kiv::test {

bool FakeNotificationService::registerOn(QDBusConnection bus) {
  return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
         bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

uint FakeNotificationService::Notify(const QString& appName, uint replacesId, const QString& /*appIcon*/,
                                     const QString& summary, const QString& body, const QStringList& actions,
                                     const QVariantMap& hints, int /*timeout*/) {
  // As real services do: an id on screen is replaced, any other is new.
  const uint id = onScreen_.contains(replacesId) ? replacesId : ++lastId_;
  Notification shown{appName, replacesId, id, summary, body, actions, hints, std::chrono::steady_clock::now()};
  received_.append(shown);
  onScreen_[id] = shown;
  return id;
}

void FakeNotificationService::CloseNotification(uint id) {
  if (onScreen_.remove(id) > 0) emit NotificationClosed(id, 3);
}

}  // namespace kiv::test
