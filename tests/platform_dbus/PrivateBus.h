#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <memory>

#include "support/TempDir.h"

namespace kiv::test {

// A D-Bus daemon of the test's own, which starts no services by itself, and
// named connections to it. Gone with the object.
class PrivateBus {
 public:
  PrivateBus();
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  // False when no dbus-daemon could be started (the test is skipped then).
  bool started() const { return !address_.isEmpty(); }
  QDBusConnection connect(const QString& name);

 private:
  TempDir dir_{"kiv-bus"};
  QProcess daemon_;
  QString address_;
  QStringList names_;
};

}  // namespace kiv::test
