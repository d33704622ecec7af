// How long a private message takes from one client's Send to the other
// client's window, at the protocol's real pace: the notice poll every ten
// seconds, the fetch in the next resend pass. Two complete clients (main
// windows, chat windows, stores) and the chat server run in this process;
// 张小明 sends to 李小红 at irregular moments, so the messages fall on every
// phase of her poll. Prints p50, p90, p99 and the worst.
//
//   bench_message_latency [messages=100] [pace=1]    (QT_QPA_PLATFORM=offscreen)
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "chat/CRichEditCtrlEx.h"
#include "chat/CSendMessage.h"
#include "mainwindow/CKivDlg.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/NetClient.h"
#include "platform/Endpoint.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "server/AdminCommands.h"
#include "server/ChatServer.h"
#include "server/Store.h"
#include "storage/LocalStores.h"
#include "avatars/Avatars.h"

namespace {

using namespace kiv;

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QTest::qSleep(2);
  }
  return true;
}

// One signed-in client as the program holds it: its own connection,
// contacts, databases and main window.
struct Client {
  Client(const std::string& phone, const std::string& home, std::uint16_t port, double pace)
      : net(options(pace, home)) {
    setenv("KIV_HOME", home.c_str(), 1);
    store.ResolveProgramPaths();
    store.logins.OpenLoginDatabase();
    net.SetServer("127.0.0.1", port);
    net.SetAccount(phone, "123456");
    session.login.phone = phone;
    session.login.password = "123456";
    main = std::make_unique<CKivDlg>(session);
  }
  ~Client() {
    main.reset();
    net.Shutdown();
    model.conversations().destroyAll();
  }
  static NetClient::Options options(double pace, const std::string& home) {
    NetClient::Options o;
    o.pauseScale = pace;
    o.logDirectory = home + "/Log";
    return o;
  }
  bool signIn() {
    if (net.Start() != 0) return false;
    if (!waitFor([&] { return model.self().userId != 0; }, 60000)) return false;
    main->afterSignIn();
    main->show();
    return true;
  }
  CSendMessage* chatWith(std::int32_t userId) const {
    return dynamic_cast<CSendMessage*>(model.conversations().findPrivate(userId));
  }

  NetClient net;
  ContactModel model;
  LocalStores store;
  ClientSession session{net, model, store, {}};
  std::unique_ptr<CKivDlg> main;
};

double percentile(std::vector<double> sorted, double p) {
  const std::size_t at = std::min(sorted.size() - 1, static_cast<std::size_t>(p * static_cast<double>(sorted.size())));
  return sorted[at];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  const double pace = argc > 2 ? std::atof(argv[2]) : 1.0;
  MessageRecorder quiet;

  char pattern[] = "/tmp/kiv-latency-XXXXXX";
  const std::string dir = mkdtemp(pattern);
  std::ostringstream out, err;
  {
    std::string error;
    auto store = server::Store::open(dir + "/server.db", &error);
    if (!store || server::AdminCommands(*store, out, err).run("seed-demo", {}) != 0) {
      std::fprintf(stderr, "cannot seed the server: %s %s\n", error.c_str(), err.str().c_str());
      return 1;
    }
  }
  server::ServerOptions options;
  options.databasePath = dir + "/server.db";
  options.chatPort = 0;
  options.webPort = 0;
  options.echoLog = false;
  server::ChatServer server(options);
  std::string error;
  if (!server.start(&error)) {
    std::fprintf(stderr, "kiv-server: %s\n", error.c_str());
    return 1;
  }
  defaultAvatarService().setWeb(Endpoint{"127.0.0.1", server.webPort()});

  Client zhang("13800000001", dir + "/zhang", server.chatPort(), pace);
  Client li("13800000002", dir + "/li", server.chatPort(), pace);
  if (!zhang.signIn() || !li.signIn()) {
    std::fprintf(stderr, "sign-in failed\n");
    return 1;
  }
  zhang.main->showConversation(ChatCategory::kFriend, 10002, gbk::fromUtf8("李小红(10002)"), "", 3);
  CSendMessage* toLi = zhang.chatWith(10002);

  // Messages leave every 1.5 to 3 seconds, at no fixed phase of the poll.
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> gap(1500, 3000);
  QElapsedTimer clock;
  clock.start();
  std::vector<qint64> sent(static_cast<std::size_t>(count), -1);
  std::vector<qint64> arrived(static_cast<std::size_t>(count), -1);
  const auto text = [](int i) { return QStringLiteral("延迟测量第%1条。").arg(i); };
  int next = 0;
  qint64 nextAt = 0;
  int received = 0;
  int duplicates = 0;
  std::printf("sending %d messages at pace %.2f ...\n", count, pace);
  std::fflush(stdout);
  const bool done = waitFor(
      [&] {
        const qint64 now = clock.elapsed();
        if (next < count && now >= nextAt) {
          toLi->input()->setPlainText(text(next));
          toLi->send();
          sent[static_cast<std::size_t>(next)] = clock.elapsed();
          ++next;
          nextAt = now + static_cast<qint64>(gap(random) * pace);
        }
        if (CSendMessage* fromZhang = li.chatWith(10001)) {
          const QString shown = fromZhang->view()->toPlainText();
          for (int i = 0; i < next; ++i) {
            if (arrived[static_cast<std::size_t>(i)] >= 0) continue;
            if (!shown.contains(text(i))) continue;
            arrived[static_cast<std::size_t>(i)] = clock.elapsed();
            ++received;
            if (shown.count(text(i)) > 1) ++duplicates;
          }
        }
        return received == count;
      },
      static_cast<int>(count * 3000 * pace + 120000));

  std::vector<double> seconds;
  for (int i = 0; i < count; ++i)
    if (arrived[static_cast<std::size_t>(i)] >= 0)
      seconds.push_back(static_cast<double>(arrived[static_cast<std::size_t>(i)] - sent[static_cast<std::size_t>(i)]) /
                        1000.0);
  if (std::getenv("KIV_BENCH_VERBOSE") != nullptr)
    for (int i = 0; i < count; ++i)
      std::printf("message %d sent at %.2f s arrived at %.2f s\n", i, sent[static_cast<std::size_t>(i)] / 1000.0,
                  arrived[static_cast<std::size_t>(i)] / 1000.0);
  std::sort(seconds.begin(), seconds.end());
  if (seconds.empty()) {
    std::printf("nothing arrived\n");
    return 1;
  }
  std::printf("%zu of %d messages arrived%s, %d shown twice\n", seconds.size(), count, done ? "" : " (gave up)",
              duplicates);
  std::printf("latency from Send to the other window: p50 %.2f s, p90 %.2f s, p99 %.2f s, best %.2f s, worst %.2f s\n",
              percentile(seconds, 0.5), percentile(seconds, 0.9), percentile(seconds, 0.99), seconds.front(),
              seconds.back());
  std::printf("(the notice poll comes every 10 protocol seconds; pace %.2f)\n", pace);
  server.stop();
  std::system(("rm -rf " + dir).c_str());
  return done ? 0 : 1;
}
