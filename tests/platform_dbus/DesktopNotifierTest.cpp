#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QUrl>
#include <fstream>
#include <functional>

#include "platform/dbus/DesktopNotifier.h"
#include "platform_dbus/FakeNotificationService.h"
#include "platform_dbus/PrivateBus.h"
#include "support/WaitFor.h"

namespace kiv {
namespace {

using test::waitFor;

// What the notifier reports through Qt's message handler.
int warnings = 0;
void countWarnings(QtMsgType type, const QMessageLogContext&, const QString&) {
  if (type != QtDebugMsg && type != QtInfoMsg) ++warnings;
}

TEST(DesktopNotifier, OneNotificationPerConversationReplacedNotStackedAndItsClickNamesTheConversation) {
  test::PrivateBus bus;
  if (!bus.started()) GTEST_SKIP() << "no dbus-daemon";
  test::FakeNotificationService service;
  ASSERT_TRUE(service.registerOn(bus.connect("service")));
  DesktopNotifier notifier(bus.connect("client"));
  QStringList activated;
  QObject::connect(&notifier, &DesktopNotifier::activated, [&](const QString& key) { activated.append(key); });

  test::TempDir dir;
  const std::string avatar = dir.file("10002.jpg");
  std::ofstream(avatar) << "picture";
  notifier.show("u10002", "李小红", "你好\n第二行", QString::fromStdString(avatar));
  notifier.show("g20001", "木棉群\n", "\n\n<a href=\"http://x\">群</a> & \u202Eevil\x1b", dir.file("none.jpg").c_str());
  ASSERT_TRUE(waitFor([&] { return service.received().size() == 2; }));
  const auto first = service.received()[0];
  EXPECT_EQ(first.replacesId, 0u);
  EXPECT_EQ(first.summary, "李小红");
  EXPECT_EQ(first.body, "你好");  // the first line only
  EXPECT_TRUE(first.actions.contains("default"));
  EXPECT_EQ(first.hints.value("image-path").toString(), QUrl::fromLocalFile(QString::fromStdString(avatar)).toString());
  // The service reads markup, so a message's markup is escaped into text;
  // hidden characters are gone, and a missing avatar is left out.
  const auto group = service.received()[1];
  EXPECT_EQ(group.summary, "木棉群");
  EXPECT_EQ(group.body, "&lt;a href=&quot;http://x&quot;&gt;群&lt;/a&gt; &amp; evil");
  EXPECT_FALSE(group.hints.contains("image-path"));

  // More messages of the first conversation, one right after another, even
  // while the service has not yet answered: still one bubble, the newest.
  notifier.show("u10002", "李小红", "第二条");
  notifier.show("u10002", "李小红", "第三条");
  ASSERT_TRUE(waitFor([&] { return service.received().last().body == "第三条"; }));
  EXPECT_EQ(service.onScreen().size(), 2);
  for (int i = 2; i < service.received().size(); ++i) EXPECT_EQ(service.received()[i].replacesId, first.id);
  EXPECT_EQ(service.onScreen().value(first.id).body, "第三条");

  // Only a click on the bubble itself by the service itself opens a
  // conversation: another action, and any other program sending the signal
  // with a guessed id, do not. The forgery goes out and reaches the bus
  // (the round trip) before the genuine click does.
  service.click(first.id, "dismiss");
  QDBusConnection forger = bus.connect("forger");
  forger.send(
      QDBusMessage::createSignal("/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked")
      << first.id << QString("default"));
  forger.interface()->registeredServiceNames();
  service.click(group.id, "default");
  ASSERT_TRUE(waitFor([&] { return !activated.isEmpty(); }));
  EXPECT_EQ(activated, QStringList{"g20001"});

  // Opening the conversation takes its notification away, even one the
  // service has not yet answered for.
  notifier.withdraw("g20001");
  ASSERT_TRUE(waitFor([&] { return service.onScreen().size() == 1; }));
  EXPECT_TRUE(service.onScreen().contains(first.id));
  notifier.show("u10003", "王大力", "刚到");
  notifier.withdraw("u10003");
  ASSERT_TRUE(waitFor([&] { return service.received().last().summary == "王大力" && service.onScreen().size() == 1; }));
}

TEST(DesktopNotifier, WithoutABusOrAServiceNothingIsShownAndNothingComplains) {
  warnings = 0;
  const QtMessageHandler previous = qInstallMessageHandler(countWarnings);
  {
    DesktopNotifier nowhere{QDBusConnection(QStringLiteral("no such bus"))};
    nowhere.show("u1", "a", "b");
    nowhere.withdraw("u1");
    EXPECT_FALSE(nowhere.hasService());
  }
  test::PrivateBus bus;
  if (bus.started()) {
    QDBusConnection client = bus.connect("lonely");
    DesktopNotifier alone(client);
    alone.show("u1", "a", "b");
    // The service's absence comes back before the bus answers this.
    client.interface()->registeredServiceNames();
    QCoreApplication::processEvents();
    alone.show("u1", "a", "c");
    alone.withdraw("u1");
    client.interface()->registeredServiceNames();
    QCoreApplication::processEvents();
    EXPECT_FALSE(alone.hasService());
  }
  qInstallMessageHandler(previous);
  EXPECT_EQ(warnings, 0);
}

}  // namespace
}  // namespace kiv
