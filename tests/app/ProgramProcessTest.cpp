// The real kiv binary against a real kiv-server process: it signs in on its
// own from a remembered auto-login account and ends cleanly when told to,
// also while a box of the connection waits for an answer.
#include <gtest/gtest.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "cli/ChildProcess.h"
#include "net/NetClient.h"
#include "storage/LocalStores.h"
#include "support/FreePort.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

namespace kiv::test {
namespace {

// The connections a server on this machine still holds on `port`: open,
// or closed by the other side and not yet by the server, which closes its
// side once it has read and handled everything that came before the end.
int heldConnections(std::uint16_t port) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the column names
  int held = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    const auto colon = local.find(':');
    if (colon == std::string::npos || std::stoul(local.substr(colon + 1), nullptr, 16) != port) continue;
    if (state == "01" || state == "08") ++held;  // established, close-wait
  }
  return held;
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A kiv-server process serving the demo accounts, and the environment in
// which a kiv started now signs in on its own as 张小明 (offscreen, at a
// quick pace).
class KivProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    server = ChildProcess::built("server/kiv-server");
    kiv = ChildProcess::built("app/kiv");
    if (server.empty() || kiv.empty()) GTEST_SKIP() << "kiv or kiv-server is not built";
    const std::string db = dir.file("server.db");
    ASSERT_EQ(run(server, {"--db", db, "seed-demo"}).status, 0);
    chat = freePort();
    const std::uint16_t web = freePort();
    serving = std::make_unique<ChildProcess>(
        server, std::vector<std::string>{"--db", db, "--bind", "127.0.0.1", "--port", std::to_string(chat),
                                         "--web-port", std::to_string(web), "serve"});
    ASSERT_TRUE(serving->waitForOutput("serving chat", 10000)) << serving->output();

    std::filesystem::create_directories(home);
    env.push_back(std::make_unique<ScopedEnv>("KIV_HOME", home.c_str()));
    {
      LocalStores store;
      store.ResolveProgramPaths();
      ASSERT_TRUE(store.logins.OpenLoginDatabase());
      ASSERT_TRUE(store.logins.SaveLogin("13800000001", 10001, "123456"));
      ASSERT_TRUE(store.logins.SetAutoLogin(10001, true));
    }
    const std::string chatEndpoint = "127.0.0.1:" + std::to_string(chat);
    const std::string webEndpoint = "127.0.0.1:" + std::to_string(web);
    env.push_back(std::make_unique<ScopedEnv>("KIV_SERVER", chatEndpoint.c_str()));
    env.push_back(std::make_unique<ScopedEnv>("KIV_WEB", webEndpoint.c_str()));
    env.push_back(std::make_unique<ScopedEnv>("KIV_PACE", "0.05"));
    env.push_back(std::make_unique<ScopedEnv>("QT_QPA_PLATFORM", "offscreen"));
  }

  void TearDown() override {
    if (!serving) return;
    serving->signal(SIGTERM);
    EXPECT_EQ(serving->wait(10000), 0);
  }

  // Starts kiv and waits until its main window has opened the account's
  // message store, which it does once signed in. The rest of taking over
  // (the strangers, the tray) runs in the same turn of the event loop, so it
  // is done before the program sees a signal.
  std::unique_ptr<ChildProcess> signedInClient() {
    auto client = std::make_unique<ChildProcess>(kiv, std::vector<std::string>{});
    EXPECT_TRUE(client->started());
    EXPECT_TRUE(serving->waitForOutput("login 13800000001", 20000)) << serving->output();
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(home + "10001/MsgEx.db"); })) << client->output();
    return client;
  }

  // Everything the program's log holds so far.
  std::string logText() const {
    std::string text;
    std::error_code error;
    for (const auto& file : std::filesystem::directory_iterator(home + "Log", error)) {
      std::ifstream in(file.path());
      text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return text;
  }

  TempDir dir{"kiv-program"};
  std::string home = dir.file("home/");
  std::string server;
  std::string kiv;
  std::uint16_t chat = 0;
  std::unique_ptr<ChildProcess> serving;
  std::vector<std::unique_ptr<ScopedEnv>> env;
};

TEST_F(KivProgram, SignsInAutomaticallyAndEndsCleanlyOnTermination) {
  auto client = signedInClient();
  client->signal(SIGTERM);
  EXPECT_EQ(client->wait(20000), 0) << client->output();
  ASSERT_TRUE(serving->waitForOutput("logout user 10001", 5000)) << serving->output();
  // Once the server let go of the connection it has handled all it carried.
  ASSERT_TRUE(waitFor([&] { return heldConnections(chat) == 0; }));
  EXPECT_EQ(count(serving->output(), " logout "), 1) << serving->output();

  LocalStores store;
  store.ResolveProgramPaths();
  ASSERT_TRUE(store.history.OpenMessageDatabase(10001));
  StrangerMap strangers;
  store.history.LoadStrangers(strangers);
  EXPECT_EQ(strangers.count(1000), 1u) << "the strangers were saved at the end";

  // What the first sign-in left behind is the user's alone.
  using std::filesystem::perms;
  const auto mode = [](const std::filesystem::path& path) {
    return std::filesystem::symlink_status(path).permissions() & perms::all;
  };
  ASSERT_TRUE(std::filesystem::is_directory(home + "Log"));
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home))
    EXPECT_EQ(mode(entry.path()), entry.is_directory() ? perms::owner_all : perms::owner_read | perms::owner_write)
        << entry.path();
}

TEST_F(KivProgram, EndsAtOnceWhenToldToWhileTheForcedOfflineBoxWaitsForAnAnswer) {
  auto client = signedInClient();
  // The same account signs in elsewhere: the program's box comes up and
  // nobody answers it.
  NetClient::Options quick;
  quick.pauseScale = 0.05;
  quick.logDirectory = dir.file("elsewhere");
  NetClient elsewhere(quick);
  elsewhere.SetServer("127.0.0.1", chat);
  elsewhere.SetAccount("13800000001", "123456");
  ASSERT_EQ(elsewhere.Start(), 0);
  ASSERT_TRUE(waitFor([&] { return elsewhere.loggedIn(); }));
  // The program logs the unasked logout answer and shows its box as its
  // connection ends; the server then holds the new one only.
  ASSERT_TRUE(waitFor([&] { return count(logText(), "KIV_EXIT_RESP") > 0 && heldConnections(chat) == 1; }))
      << logText();

  // Nothing waits for an answer that cannot come any more: the box would
  // wait for ever, so ending at all is the point (how fast depends on the
  // machine, not on the program).
  client->signal(SIGTERM);
  EXPECT_EQ(client->wait(20000), 0) << client->output();
  elsewhere.Shutdown();
}

}  // namespace
}  // namespace kiv::test
