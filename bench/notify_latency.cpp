// How soon a desktop notification reaches the notification service after a
// received batch was stored: the batch stored as the program stores it, the
// search index brought up to date, DesktopNotifier::show(), and the service
// (here a recording stand-in on a private dbus-daemon) receiving Notify.
// 200 batches of 5 messages over 20 conversations; the aim is under 100 ms.
//
//   bench_notify_latency [batches]

#include <stdlib.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Gbk.h"
#include "platform/dbus/DesktopNotifier.h"
#include "storage/HistorySearchIndex.h"
#include "storage/LocalStores.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Answers like a notification service and counts what arrives.
class Recorder : public QDBusVirtualObject {
 public:
  std::atomic<int> notifications{0};

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == QLatin1String("GetCapabilities")) {
      return connection.send(message.createReply(QVariant(QStringList{QStringLiteral("body")})));
    }
    if (message.member() == QLatin1String("Notify")) {
      const uint id = static_cast<uint>(++notifications);
      return connection.send(message.createReply(QVariant::fromValue(id)));
    }
    return false;
  }
  QString introspect(const QString&) const override { return QString(); }
};

void print(const char* what, std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const auto at = [&](double q) {
    return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))];
  };
  std::printf("  %-40s p50 %7.2f ms  p90 %7.2f ms  p99 %7.2f ms  max %7.2f ms\n", what, at(0.5), at(0.9), at(0.99),
              values.back());
}

// Every connection to the bus lives in here, so that all are gone before
// the program closes them.
int measure(const QString& address, const std::string& root, int batches) {
  QDBusConnection serviceBus = QDBusConnection::connectToBus(address, QStringLiteral("service"));
  Recorder recorder;
  if (!serviceBus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder) ||
      !serviceBus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
    std::fprintf(stderr, "cannot register the service\n");
    return 1;
  }

  {
    kiv::LocalStores store;
    kiv::HistorySearchIndex index;
    if (!store.ResolveProgramPaths() || !store.history.OpenMessageDatabase(10001) || !index.open(root + "/10001")) {
      std::fprintf(stderr, "cannot open the history or its index\n");
      return 1;
    }
    kiv::DesktopNotifier notifier(QDBusConnection::connectToBus(address, QStringLiteral("client")));
    std::vector<double> stored, indexed, shown;
    for (int batch = 0; batch < batches; ++batch) {
      const std::int32_t partner = 10002 + batch % 20;
      std::vector<kiv::HistoryRow> rows;
      for (int i = 0; i < 5; ++i) {
        rows.push_back({kiv::gbk::fromUtf8("第" + std::to_string(batch) + "批 消息 " + std::to_string(i)),
                        "26-03-14 09:" + std::to_string(10 + batch / 60 % 50) + ":" + std::to_string(10 + batch % 50)});
      }
      const int before = recorder.notifications;
      const auto start = Clock::now();
      if (!store.history.AppendMessages(kiv::HistoryStore::kUserTable, partner, rows)) return 1;
      const auto afterStore = Clock::now();
      if (index.update() != 5) return 1;
      const auto afterIndex = Clock::now();
      notifier.show(QStringLiteral("u%1").arg(partner), QStringLiteral("好友 %1").arg(partner),
                    QString::fromStdString(kiv::gbk::toUtf8(rows.back().msg)));
      QDeadlineTimer deadline(10000);
      while (recorder.notifications == before && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      }
      if (recorder.notifications == before) {
        std::fprintf(stderr, "no notification arrived\n");
        return 1;
      }
      const auto arrived = Clock::now();
      stored.push_back(ms(afterStore - start));
      indexed.push_back(ms(afterIndex - afterStore));
      shown.push_back(ms(arrived - afterStore));
    }
    std::printf("%d received batches of 5 messages, notification service on a private bus:\n", batches);
    print("history write (as today)", stored);
    print("index update", indexed);
    print("batch stored -> Notify at the service", shown);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int batches = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
  QCoreApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  char pattern[] = "/tmp/kiv-notify-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string root = pattern;
  setenv("KIV_HOME", root.c_str(), 1);

  std::ofstream(root + "/bus.conf")
      << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig><type>session</type><listen>unix:dir="
      << root
      << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
         "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
         "<allow own=\"*\"/></policy></busconfig>\n";
  QProcess daemon;
  daemon.start(QStringLiteral("dbus-daemon"),
               {QStringLiteral("--config-file=") + QString::fromStdString(root) + QStringLiteral("/bus.conf"),
                QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
  if (!daemon.waitForStarted(10000)) {
    std::fprintf(stderr, "no dbus-daemon\n");
    return 1;
  }
  while (!daemon.canReadLine() && daemon.waitForReadyRead(10000)) {
  }
  const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
  const int rc = measure(address, root, batches);
  QDBusConnection::disconnectFromBus(QStringLiteral("client"));
  QDBusConnection::disconnectFromBus(QStringLiteral("service"));
  daemon.terminate();
  daemon.waitForFinished(5000);
  std::filesystem::remove_all(root);
  return rc;
}
