// Password guessing on the chat port and through the upload form: delays
// that grow, a temporary lock, connections closed after a few failures; the
// owner and everybody else are not kept out.
#include "net/LoginMessages.h"
#include "security/SecurityFixture.h"

namespace kiv::test {
namespace {

constexpr std::uint8_t kTryLater = 6;

class GuessingTest : public SecurityTest {
 protected:
  void SetUp() override { startWithLock(std::chrono::seconds(30)); }
  void startWithLock(server::Millis lock) {
    startServer(false, [lock](server::ServerOptions& o) {
      o.signIn.accountFreeFailures = 2;
      o.signIn.addressFreeFailures = 6;
      o.signIn.longestWait = lock;
      o.signIn.longestHold = server::Millis(200);
    });
  }
  // Wrong guesses for `phone` from `from` until the server no longer checks them.
  void guessUntilLocked(const std::string& phone, const char* from) {
    for (int i = 0; i < 10; ++i) {
      RawClient guess(from, server_->chatPort());
      if (guess.login(phone, "no") == kTryLater) return;
    }
    ADD_FAILURE() << "never locked";
  }
};

TEST_F(GuessingTest, PipelinedGuessesOnOneConnectionEndAfterThreeAnswers) {
  const auto victim = addUser("受害者");
  RawClient attacker("127.0.0.2", server_->chatPort());
  std::vector<std::uint8_t> stream;
  for (int i = 0; i < 3000; ++i) {
    const auto guess = LoginRequest{phoneOf(victim), i == 2999 ? "pw" : "g" + std::to_string(i), 5};
    const auto packet = guess.build(attacker.key());
    stream.insert(stream.end(), packet.begin(), packet.end());
  }
  attacker.sendBytes(stream);
  int answers = 0;
  while (!attacker.receive(2000).empty()) ++answers;
  EXPECT_EQ(answers, 3);
  EXPECT_EQ(server_->signedInCount(), 0u);
}

TEST_F(GuessingTest, ALockedAccountChecksNoPasswordOnEitherPortButItsOwnerAndOthersSignIn) {
  const auto victim = addUser("受害者");
  const auto bystander = addUser("旁人");
  { signIn(victim); }  // the owner's usual address becomes known
  guessUntilLocked(phoneOf(victim), "127.0.0.2");
  // Not even the right password is checked now, on either port. (The owner's
  // own sign-in below resets the count, so this is asked before it runs.)
  RawClient right("127.0.0.2", server_->chatPort());
  EXPECT_EQ(right.login(phoneOf(victim), "pw"), kTryLater);
  EXPECT_EQ(http(uploadRequest(phoneOf(victim), "pw", victim, "x"), "127.0.0.2"), 429);
  whileAttacking(
      [&] {
        for (const char* from : {"127.0.0.3", "127.0.0.4"})
          for (int i = 0; i < 5; ++i) RawClient(from, server_->chatPort()).login(phoneOf(victim), "no");
      },
      [&] {
        for (int i = 0; i < 5; ++i) {
          auto owner = signIn(victim);
          EXPECT_TRUE(served(*owner, victim));
          RawClient other("127.0.0.6", server_->chatPort());
          EXPECT_EQ(other.login(phoneOf(bystander), "pw"), LoginResponse::kLoggedIn);
        }
      });
}

TEST_F(GuessingTest, TheLockEndsAndSuccessStartsTheCountAfresh) {
  startWithLock(server::Millis(300));
  const auto victim = addUser("受害者");
  // Failures through the upload form count as much as on the chat port.
  for (int i = 0; i < 2; ++i) EXPECT_EQ(http(uploadRequest(phoneOf(victim), "no", victim, "x"), "127.0.0.2"), 403);
  guessUntilLocked(phoneOf(victim), "127.0.0.3");
  EXPECT_TRUE(waitFor([&] {
    RawClient later("127.0.0.4", server_->chatPort());
    return later.login(phoneOf(victim), "pw") == LoginResponse::kLoggedIn;
  }, kPatience, std::chrono::milliseconds(20)));
  RawClient afterwards("127.0.0.5", server_->chatPort());
  EXPECT_EQ(afterwards.login(phoneOf(victim), "wrong"), LoginResponse::kWrongPassword);
}

TEST_F(GuessingTest, AnAddressThatGuessesManyAccountsWaitsOnItsOwn) {
  for (int i = 0; i < 7; ++i) {  // six free, the seventh makes the address wait
    RawClient guess("127.0.0.2", server_->chatPort());
    EXPECT_EQ(guess.login("1390000" + std::to_string(5000 + i), "x"), LoginResponse::kNotRegistered);
  }
  const auto id = addUser("同址");
  RawClient same("127.0.0.2", server_->chatPort());
  EXPECT_EQ(same.login(phoneOf(id), "pw"), kTryLater);
  RawClient elsewhere("127.0.0.3", server_->chatPort());
  EXPECT_EQ(elsewhere.login(phoneOf(id), "pw"), LoginResponse::kLoggedIn);
}

}  // namespace
}  // namespace kiv::test
