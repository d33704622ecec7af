// The real kiv binary against a real kiv-server process: it signs in on its
// own from a remembered auto-login account and ends cleanly when told to.
#include <gtest/gtest.h>
#include <csignal>
#include <filesystem>
#include <thread>

#include "cli/ChildProcess.h"
#include "platform/TcpSocket.h"
#include "storage/LocalStore.h"
#include "support/TempDir.h"

namespace kiv::test {
namespace {

std::uint16_t freePort() {
  std::uint16_t port = 0;
  close(TcpSocket::listenOnLoopback(1, port));
  return port;
}

bool eventually(const std::function<bool()>& done, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(KivProgram, SignsInAutomaticallyAndEndsCleanlyOnTermination) {
  const std::string server = ChildProcess::built("server/kiv-server");
  const std::string kiv = ChildProcess::built("app/kiv");
  if (server.empty() || kiv.empty()) GTEST_SKIP() << "kiv or kiv-server is not built";
  TempDir dir("kiv-program");
  const std::string db = dir.file("server.db");
  ASSERT_EQ(run(server, {"--db", db, "seed-demo"}).status, 0);
  const std::uint16_t chat = freePort();
  const std::uint16_t web = freePort();
  ChildProcess serving(server, {"--db", db, "--bind", "127.0.0.1", "--port", std::to_string(chat), "--web-port",
                                std::to_string(web), "serve"});
  ASSERT_TRUE(serving.waitForOutput("serving chat", 10000)) << serving.output();

  const std::string home = dir.file("home/");
  std::filesystem::create_directories(home);
  ScopedEnv homeEnv("KIV_HOME", home.c_str());
  {
    LocalStore store;
    store.ResolveProgramPaths();
    ASSERT_EQ(store.OpenLoginDatabase(), 1);
    ASSERT_EQ(store.SaveLogin("13800000001", 10001, "123456"), 1);
    ASSERT_EQ(store.SetAutoLogin(10001, 1), 1);
  }
  const std::string chatEndpoint = "127.0.0.1:" + std::to_string(chat);
  const std::string webEndpoint = "127.0.0.1:" + std::to_string(web);
  ScopedEnv serverEnv("KIV_SERVER", chatEndpoint.c_str());
  ScopedEnv webEnv("KIV_WEB", webEndpoint.c_str());
  ScopedEnv pace("KIV_PACE", "0.05");
  ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");

  ChildProcess client(kiv, {});
  ASSERT_TRUE(client.started());
  ASSERT_TRUE(serving.waitForOutput("login 13800000001", 20000)) << serving.output();
  // The main window opens the account's message store once it is signed in.
  ASSERT_TRUE(eventually([&] { return std::filesystem::exists(home + "10001/MsgEx.db"); }, 20000))
      << client.output();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  client.signal(SIGTERM);
  EXPECT_EQ(client.wait(20000), 0) << client.output();
  ASSERT_TRUE(serving.waitForOutput("logout user 10001", 5000)) << serving.output();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(count(serving.output(), " logout "), 1) << serving.output();

  LocalStore store;
  store.ResolveProgramPaths();
  ASSERT_EQ(store.OpenMessageDatabase(10001), 1);
  StrangerMap strangers;
  store.LoadStrangers(strangers);
  EXPECT_EQ(strangers.count(1000), 1u) << "the strangers were saved at the end";
  serving.signal(SIGTERM);
  EXPECT_EQ(serving.wait(10000), 0);
}

}  // namespace
}  // namespace kiv::test
