// kiv-cli and kiv-server as the programs they are: the headless client signs
// in, sends, listens and is forced offline against our server; the server's
// command line seeds, lists, serves and stops. kiv-cli runs the protocol's
// cycles twenty times faster here (KIV_PACE), as the window tests do.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <atomic>
#include <sstream>

#include "cli/ChildProcess.h"
#include "net/FetchMessagesMessages.h"
#include "net/LoginMessages.h"
#include "net/LogoutMessages.h"
#include "net/NoticePollMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/Gbk.h"
#include "platform/TcpSocket.h"
#include "server/AdminCommands.h"
#include "server/ChatServer.h"
#include "server/Store.h"
#include "storage/LocalStores.h"
#include "support/FakePeer.h"
#include "support/FreePort.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

namespace kiv::test {
namespace {

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cli_ = ChildProcess::built("cli/kiv-cli");
    if (cli_.empty()) GTEST_SKIP() << "kiv-cli is not built";
    std::string error;
    store_ = server::Store::open(dir_.file("server.db"), &error);
    ASSERT_TRUE(store_) << error;
    std::ostringstream out, err;
    server::AdminCommands admin(*store_, out, err);
    ASSERT_EQ(admin.run("seed-demo", {}), 0) << err.str();
    server::ServerOptions options;
    options.databasePath = dir_.file("server.db");
    options.chatPort = 0;
    options.webPort = 0;
    options.echoLog = false;
    server_ = std::make_unique<server::ChatServer>(options);
    ASSERT_TRUE(server_->start(&error)) << error;
  }

  // The arguments of a command of the account; its password goes into
  // KIV_PASSWORD, for the programs started from now on.
  std::vector<std::string> as(const std::string& phone, const std::string& password, std::vector<std::string> command) {
    password_.reset();  // restores the value from before, then the new one goes in
    password_ = std::make_unique<ScopedEnv>("KIV_PASSWORD", password.c_str());
    std::vector<std::string> args{"--server", "127.0.0.1:" + std::to_string(server_->chatPort()), "--home",
                                  dir_.file("home-" + phone), "--phone", phone};
    args.insert(args.end(), command.begin(), command.end());
    return args;
  }

  // One protocol second lasts 50 ms for every kiv-cli started by a test.
  static constexpr const char* kPace = "0.05";

  TempDir dir_;
  ScopedEnv pace_{"KIV_PACE", kPace};
  std::unique_ptr<ScopedEnv> password_;
  std::string cli_;
  std::unique_ptr<server::Store> store_;
  std::unique_ptr<server::ChatServer> server_;
};

TEST_F(CliTest, LoginListsProfileFriendsGroupsAndMembersAndRefusesAWrongPassword) {
  const auto ok = run(cli_, as("13800000001", "123456", {"login"}));
  EXPECT_EQ(ok.status, 0) << ok.output;
  EXPECT_NE(ok.output.find("self 10001 张小明"), std::string::npos) << ok.output;
  EXPECT_NE(ok.output.find("friend 10002 0 李小红"), std::string::npos) << ok.output;
  EXPECT_NE(ok.output.find("group 20001 1 0 木棉同学会"), std::string::npos) << ok.output;
  EXPECT_NE(ok.output.find("group 20002 0 0 周末羽毛球"), std::string::npos) << ok.output;
  EXPECT_NE(ok.output.find("member 20001 10001 3 1 张小明"), std::string::npos) << ok.output;
  EXPECT_NE(ok.output.find("member 20002 10005 0 0 陈晨"), std::string::npos) << ok.output;

  const auto refused = run(cli_, as("13800000001", "wrong", {"login"}));
  EXPECT_EQ(refused.status, 13) << refused.output;
  EXPECT_NE(refused.output.find("13800000001密码错误"), std::string::npos) << refused.output;
}

TEST_F(CliTest, ThePasswordIsNeverTakenFromTheCommandLine) {
  auto args = as("13800000001", "123456", {"login"});
  args.insert(args.end() - 1, {"--password", "123456"});
  const auto refused = run(cli_, args);
  EXPECT_EQ(refused.status, 64) << refused.output;
  EXPECT_NE(refused.output.find("KIV_PASSWORD"), std::string::npos) << refused.output;

  // Neither in the environment nor typed (no terminal): said, not guessed.
  args = as("13800000001", "", {"login"});
  const auto unasked = run(cli_, args);
  EXPECT_EQ(unasked.status, 64) << unasked.output;
  EXPECT_NE(unasked.output.find("needs the password"), std::string::npos) << unasked.output;
}

TEST_F(CliTest, SentMessagesAndAnInvitationReachTheListener) {
  auto remembering = as("13800000003", "123456", {"send", "private", "10004", "晚上好"});
  remembering.insert(remembering.end() - 4, "--remember");
  const auto sent = run(cli_, remembering);
  EXPECT_EQ(sent.status, 0) << sent.output;
  EXPECT_NE(sent.output.find("sent 0"), std::string::npos) << sent.output;

  // The first notice poll comes ten cycles after sign-in, half a second at
  // this pace; listening is counted in real seconds.
  const auto heard = run(cli_, as("13800000004", "123456", {"listen", "4"}));
  EXPECT_EQ(heard.status, 0) << heard.output;
  EXPECT_NE(heard.output.find("王大力(私聊):晚上好"), std::string::npos) << heard.output;
  EXPECT_NE(heard.output.find("msg private 10005 "), std::string::npos) << heard.output;
  EXPECT_NE(heard.output.find("msg group 20001 "), std::string::npos) << heard.output;
  EXPECT_NE(heard.output.find("invite private 10002 [20002]"), std::string::npos) << heard.output;
  EXPECT_TRUE(store_->waiting().waitingConversations(10004, 10).empty());

  // Both kept their local state as the desktop client does: the sign-in in
  // the login database, the sent echo and the received text in the history.
  // The password only where --remember asked for it.
  const auto history = [&](const std::string& phone, std::int32_t self, std::int32_t partner,
                           const std::string& savedPassword) {
    ScopedEnv home("KIV_HOME", dir_.file("home-" + phone).c_str());
    LocalStores local;
    PhoneMap phones;
    PasswordMap passwords;
    EXPECT_TRUE(local.logins.OpenLoginDatabase());
    local.logins.LoadLogins(phones, passwords);
    EXPECT_EQ(phones[self], phone);
    EXPECT_EQ(passwords[self], savedPassword);
    EXPECT_TRUE(local.history.OpenMessageDatabase(self));
    return gbk::toUtf8(local.history.ReadUserHistoryPage(partner, 0));
  };
  EXPECT_NE(history("13800000003", 10003, 10004, "123456").find("我(私聊):晚上好"), std::string::npos);
  const std::string received = history("13800000004", 10004, 10003, "");
  EXPECT_NE(received.find("王大力(私聊):晚上好"), std::string::npos) << received;
  EXPECT_EQ(history("13800000004", 10004, 10002, "").find("[20002]"), std::string::npos) << "invitations are not stored";
}

TEST_F(CliTest, AvatarsGoUpAndComeBackThroughTheWebPort) {
  const std::string web = "127.0.0.1:" + std::to_string(server_->webPort());
  const std::string home = dir_.file("home-avatar");
  QImage picture(90, 60, QImage::Format_RGB32);
  picture.fill(QColor(200, 40, 40));
  const std::string file = dir_.file("me.jpg");
  ASSERT_TRUE(picture.save(QString::fromStdString(file), "JPEG"));
  const auto kivCli = [&](const std::string& password, std::vector<std::string> command) {
    ScopedEnv secret("KIV_PASSWORD", password.c_str());
    std::vector<std::string> args{"--server", "127.0.0.1:" + std::to_string(server_->chatPort()), "--web", web,
                                  "--home",   home, "--phone", "13800000001"};
    args.insert(args.end(), command.begin(), command.end());
    return run(cli_, args);
  };

  const auto up = kivCli("123456", {"upload-avatar", file, "--self", "10001"});
  EXPECT_EQ(up.status, 0) << up.output;
  EXPECT_NE(up.output.find("upload 100"), std::string::npos) << up.output;
  const auto refused = kivCli("wrong", {"upload-avatar", file, "--self", "10001"});
  EXPECT_EQ(refused.status, 1) << refused.output;
  EXPECT_NE(refused.output.find("upload 104"), std::string::npos) << refused.output;

  // Another account's cache receives the new picture, drawn at the asked size.
  const auto down = kivCli("123456", {"avatar", "10001", "--size", "40", "--self", "10002"});
  EXPECT_EQ(down.status, 0) << down.output;
  EXPECT_NE(down.output.find("avatar " + home + "/10002/face/10001.bmp 40"), std::string::npos) << down.output;
  QImage cached(QString::fromStdString(home + "/10002/face/10001.bmp"));
  ASSERT_FALSE(cached.isNull());
  EXPECT_EQ(cached.size(), QSize(70, 70));
  EXPECT_GT(qRed(cached.pixel(35, 35)), 150);

  // Without --self the command signs in to learn whose cache it is.
  const auto group = kivCli("123456", {"avatar", "--group", "20001"});
  EXPECT_EQ(group.status, 0) << group.output;
  EXPECT_NE(group.output.find("avatar " + home + "/10001/face/g20001.bmp 70"), std::string::npos) << group.output;
}

TEST_F(CliTest, ListenerIsForcedOfflineBySecondSignIn) {
  ChildProcess listener(cli_, as("13800000006", "123456", {"listen", "30"}));
  ASSERT_TRUE(listener.started());
  ASSERT_TRUE(waitFor([&] { return server_->signedInCount() == 1; })) << listener.output();

  TcpSocket socket;
  ASSERT_EQ(socket.connect("127.0.0.1", server_->chatPort(), 3000), 0);
  const auto login = LoginRequest{"13800000006", "123456", 5}.build(HeaderKey{accountFromPhone("13800000006"), 1, 1});
  ASSERT_TRUE(socket.sendAll(login.data(), login.size(), 3000));

  EXPECT_EQ(listener.wait(15000), 2) << listener.output();
  EXPECT_NE(listener.output().find("您的帐号因在其它地方登录被迫下线"), std::string::npos) << listener.output();
}

TEST_F(CliTest, MalformedArgumentsAreUsageErrors) {
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"listen", "5x"},
                                              {"listen", "-1"},
                                              {"send", "private", "-5", "hi"},
                                              {"send", "private", "99999999999", "hi"},
                                              {"send", "mail", "10004", "hi"},
                                              {"avatar", "-5"},
                                              {"avatar", "--group", " 7"},
                                              {"frobnicate"}}) {
    const auto result = run(cli_, as("13800000001", "123456", bad), 10000);
    EXPECT_EQ(result.status, 64) << bad[0] << " " << bad[1] << "\n" << result.output;
  }
}

TEST_F(CliTest, SmsPasswordGoesToTheServerLog) {
  const auto sms = run(cli_, {"--server", "127.0.0.1:" + std::to_string(server_->chatPort()), "--home",
                              dir_.file("home-sms"), "sms", "13800000002"});
  EXPECT_EQ(sms.status, 0) << sms.output;
  EXPECT_NE(sms.output.find("sms 0"), std::string::npos);
  EXPECT_TRUE(server_->log().contains("SMS to 13800000002"));
}

// A server that counts five waiting messages but sends one: the listener
// prints and stores that one, not four empty ones after it.
TEST(CliListen, PrintsOnlyTheRecordsAFetchAnswerHolds) {
  const std::string cli = ChildProcess::built("cli/kiv-cli");
  if (cli.empty()) GTEST_SKIP() << "kiv-cli is not built";
  TempDir dir;
  FakePeer peer;
  std::atomic<bool> noticed{false};
  peer.setResponder([&](const FakePeer::Bytes& p) -> std::vector<FakePeer::Bytes> {
    const HeaderKey key = keyOf(p.data());
    switch (commandOf(p.data())) {
      case LoginRequest::kCommand:
        return {LoginResponse{LoginResponse::kLoggedIn}.build(key)};
      case UserInfoRequest::kCommand: {
        UserInfoResponse own;
        own.userId = 10004;
        return {own.build(key)};
      }
      case NoticePollRequest::kCommand: {
        if (noticed.exchange(true)) return {};
        MessageNotice notice;
        notice.kind = ConversationKind::kPrivate;
        notice.id = 10009;
        return {NoticePollResponse{0, {notice}}.build(key)};
      }
      case FetchMessagesRequest::kCommand: {
        auto packet = FetchMessagesResponse{{MessageRecord{"only one", "260102030405", {}}}}.build(key);
        packet[31] = 5;  // the count field
        return {packet};
      }
      case LogoutRequest::kCommand:
        return {LogoutResponse{}.build(key)};
      default:
        return {};
    }
  });
  // The first notice poll comes ten cycles after sign-in, half a second at
  // this pace.
  const std::string home = dir.file("home");
  ScopedEnv password("KIV_PASSWORD", "123456");
  ScopedEnv pace("KIV_PACE", "0.05");
  const auto heard = run(cli, {"--server", "127.0.0.1:" + std::to_string(peer.port()), "--home", home, "--phone",
                               "13800000004", "listen", "3"});
  EXPECT_EQ(heard.status, 0) << heard.output;
  EXPECT_NE(heard.output.find("msg private 10009 26-01-02 03:04:05 only one"), std::string::npos) << heard.output;
  EXPECT_EQ(heard.output.find("msg private 10009 00-00-00"), std::string::npos) << heard.output;
  ScopedEnv kivHome("KIV_HOME", home.c_str());
  LocalStores local;
  ASSERT_TRUE(local.history.OpenMessageDatabase(10004));
  const std::string stored = local.history.ReadUserHistoryPage(10009, 0);
  EXPECT_EQ(stored, "\r\n\r\n26-01-02 03:04:05\r\nonly one");
}

TEST(ServerProgram, AdminCommandsServeAndStopOnSigterm) {
  const std::string server = ChildProcess::built("server/kiv-server");
  if (server.empty()) GTEST_SKIP() << "kiv-server is not built";
  TempDir dir;
  const std::string db = dir.file("kiv.db");

  auto seeded = run(server, {"--db", db, "seed-demo"});
  EXPECT_EQ(seeded.status, 0) << seeded.output;
  EXPECT_EQ(run(server, {"--db", db, "seed-demo"}).output, "demo data already present\n");
  auto added = run(server, {"--db", db, "add-user", "13912345678", "secret", "新用户"});
  EXPECT_EQ(added.status, 0);
  EXPECT_EQ(added.output, "10007\n");
  EXPECT_EQ(run(server, {"--db", db, "add-user", "13912345678", "secret", "重复"}).status, 1);
  EXPECT_EQ(run(server, {"--db", db, "add-user", "123", "secret", "短号"}).status, 1);
  EXPECT_EQ(run(server, {"--db", db, "add-friend", "10007", "10001"}).status, 0);
  auto group = run(server, {"--db", db, "create-group", "10007", "新群"});
  EXPECT_EQ(group.status, 0);
  EXPECT_EQ(group.output, "20003\n");
  EXPECT_EQ(run(server, {"--db", db, "add-member", "20003", "10001"}).status, 0);
  EXPECT_EQ(run(server, {"--db", db, "send-message", "10007", "group", "20003", "大家好"}).status, 0);
  EXPECT_EQ(run(server, {"--db", db, "send-message", "10003", "group", "20003", "不是成员"}).status, 1);
  EXPECT_EQ(run(server, {"--db", db, "frobnicate"}).status, 2);
  EXPECT_EQ(run(server, {"--db", db, "--port"}).status, 2);

  const auto list = run(server, {"--db", db, "list"});
  EXPECT_EQ(list.status, 0);
  for (const char* expected :
       {"10007 13912345678 新用户", "10007 -> 10001", "10001 -> 10007", "20003 新群 owner 10007", "20003 10001 张小明",
        "to 10001 group 20003 from 10007", "新用户(群聊):大家好", "\\x07\\x02[20002]"}) {
    EXPECT_NE(list.output.find(expected), std::string::npos) << expected << "\n" << list.output;
  }

  const std::uint16_t chat = freePort();
  const std::uint16_t web = freePort();
  ChildProcess serving(server,
                       {"--db", db, "--port", std::to_string(chat), "--web-port", std::to_string(web), "serve"});
  ASSERT_TRUE(serving.waitForOutput("serving chat", 10000)) << serving.output();
  {
    TcpSocket socket;
    ASSERT_EQ(socket.connect("127.0.0.1", chat, 3000), 0);
    const auto login = LoginRequest{"13912345678", "secret", 5}.build(HeaderKey{});
    ASSERT_TRUE(socket.sendAll(login.data(), login.size(), 3000));
    ASSERT_EQ(socket.waitReadable(3000), TcpSocket::kReady);
    std::uint8_t answer[64] = {};
    ASSERT_GE(socket.receive(answer, sizeof answer), 25);
    EXPECT_EQ(commandOf(answer), LoginResponse::kCommand);
    EXPECT_EQ(answer[24], 0);
  }

  // A second server cannot have the same web port: it says so and fails.
  const auto clash = run(server, {"--db", db, "--port", "0", "--web-port", std::to_string(web), "serve"}, 10000);
  EXPECT_NE(clash.status, 0);
  EXPECT_NE(clash.output.find("web port"), std::string::npos) << clash.output;

  serving.signal(SIGTERM);
  EXPECT_EQ(serving.wait(10000), 0) << serving.output();
  EXPECT_NE(serving.output().find("stopped"), std::string::npos);
}

}  // namespace
}  // namespace kiv::test
