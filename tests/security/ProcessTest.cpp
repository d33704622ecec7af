// The real program as an operator runs it: what it does at the descriptor
// limit, and what it leaves on disk.
#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "cli/ChildProcess.h"
#include "net/LoginMessages.h"
#include "net/SmsPasswordMessages.h"
#include "security/SecurityFixture.h"
#include "support/FreePort.h"
#include "support/TempDir.h"

namespace kiv::test {
namespace {

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    auto store = server::Store::open(dir_.file("kiv.db"), &error);
    ASSERT_TRUE(store) << error;
    ASSERT_NE(store->accounts().addAccount("13900000001", "secret", "owner"), 0u);
  }

  // kiv-server serving the test database with at most `files` descriptors.
  void start(int files, const std::string& options) {
    const auto program = ChildProcess::built("server/kiv-server");
    ASSERT_FALSE(program.empty());
    port_ = freePort();
    const std::string line = "ulimit -n " + std::to_string(files) + " && exec " + program + " --db " +
                             dir_.file("kiv.db") + " --port " + std::to_string(port_) + " --web-port " +
                             std::to_string(freePort()) + " " + options + " serve";
    server_ = std::make_unique<ChildProcess>("/bin/sh", std::vector<std::string>{"-c", line});
    ASSERT_TRUE(waitForPort());
  }
  bool waitForPort() {
    for (int i = 0; i < 250; ++i) {
      if (TcpSocket().connect("127.0.0.1", port_, 1000) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  // The server's CPU time so far, in clock ticks.
  long cpuTicks() const {
    std::ifstream stat("/proc/" + std::to_string(server_->pid()) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;
    long user = 0, system = 0;
    fields >> user >> system;
    return user + system;
  }
  int mode(const std::string& name) const {
    struct stat info {};
    return ::stat(dir_.file(name).c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
  }

  TempDir dir_;
  std::uint16_t port_ = 0;
  std::unique_ptr<ChildProcess> server_;
};

TEST_F(ProcessTest, AtTheDescriptorLimitAcceptWaitsInsteadOfSpinningAndTheGenuineUserGetsIn) {
  start(48, "--sign-in-seconds 1 --max-connections-per-address 1000");
  std::vector<std::unique_ptr<RawClient>> flood;
  for (int i = 0; i < 80; ++i) {
    flood.push_back(std::make_unique<RawClient>("127.0.0.2", port_));
    const std::uint8_t byte = 0;
    flood.back()->sendBytes(&byte, 1);
  }
  const long before = cpuTicks();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  // Spinning on the failing accept took the whole second.
  EXPECT_LT(cpuTicks() - before, sysconf(_SC_CLK_TCK) / 3);

  // The one-byte connections are closed as their sign-in time runs out,
  // and the genuine sign-in waiting behind them is answered.
  RawClient genuine(port_);
  genuine.setPhone("13900000001");
  genuine.sendBytes(LoginRequest{"13900000001", "secret", 5}.build(genuine.key()));
  const auto answer = genuine.receive(20000);
  ASSERT_FALSE(answer.empty());
  EXPECT_EQ(LoginResponse::read(answer.data(), answer.size()).result, LoginResponse::kLoggedIn);
  EXPECT_TRUE(server_->output().find("accept failed") != std::string::npos);
}

TEST_F(ProcessTest, FilesArePrivateAndTheLogKeepsNoPasswordsNorControlCharacters) {
  ::chmod(dir_.file("kiv.db").c_str(), 0644);  // made by an older version
  start(1024, "--log " + dir_.file("kiv.log"));
  RawClient client(port_);
  SmsPasswordRequest sms;
  sms.phone = "13900000001";
  EXPECT_EQ(client.ask<SmsPasswordResponse>(sms).result, SmsPasswordResponse::kSent);
  EXPECT_EQ(client.login("1\n2\x1b[2J", "x"), LoginResponse::kNotRegistered);
  for (const char* file : {"kiv.db", "kiv.db-wal", "kiv.db-shm", "kiv.log"}) EXPECT_EQ(mode(file), 0600) << file;
  server_->signal(SIGTERM);
  EXPECT_EQ(server_->wait(10000), 0);

  std::ifstream in(dir_.file("kiv.log"));
  const std::string log((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(log.find("SMS to 13900000001"), std::string::npos);
  EXPECT_EQ(log.find("secret"), std::string::npos);
  EXPECT_NE(log.find("login 1\\x0A2\\x1B[2J"), std::string::npos);
  EXPECT_EQ(log.find('\x1b'), std::string::npos);
}

}  // namespace
}  // namespace kiv::test
