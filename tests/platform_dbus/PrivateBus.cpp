#include "platform_dbus/PrivateBus.h"

#include <fstream>

namespace kiv::test {

PrivateBus::PrivateBus() {
  const std::string config = dir_.file("bus.conf");
  std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                           "<busconfig><type>session</type><listen>unix:dir="
                        << dir_.path()
                        << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                           "<allow own=\"*\"/></policy></busconfig>\n";
  daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + QString::fromStdString(config),
                                                QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
  if (!daemon_.waitForStarted(10000)) return;
  while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
  }
  address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
  for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
  if (daemon_.state() != QProcess::NotRunning) {
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000)) daemon_.kill();
    daemon_.waitForFinished(5000);
  }
}

QDBusConnection PrivateBus::connect(const QString& name) {
  names_.append(name);
  return QDBusConnection::connectToBus(address_, name);
}

}  // namespace kiv::test
