// The sign-in's own rules, without a socket: the attempt limit, what each
// login and logout answer means, and the account's cut to its fields.
#include <gtest/gtest.h>

#include "net/LoginMessages.h"
#include "net/SignInSession.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "support/TempDir.h"

namespace kiv::test {
namespace {

using Outcome = SignInSession::LoginOutcome;

class SignInSessionTest : public ::testing::Test {
 protected:
  TempDir dir;
  FakeClock clock{2026, 12, 8, 10, 15, 0};
  Log log{dir.file("Log"), clock};
  SignInSession session{clock, log};
};

TEST_F(SignInSessionTest, TwelveAttemptsAreAllowedAndASuccessfulLoginStartsTheCountAfresh) {
  for (int i = 0; i < SignInSession::kMaxTries; ++i) session.countTry();
  EXPECT_FALSE(session.triesExhausted());
  session.nextLoginAttempt();
  EXPECT_TRUE(session.triesExhausted()) << "the thirteenth attempt is the last";

  session.restart();
  for (int i = 0; i < 5; ++i) session.countTry();
  EXPECT_EQ(session.onLoginAnswer(7), Outcome::kTryAgain);
  EXPECT_EQ(session.tries(), 5) << "an unknown answer is no success";
  EXPECT_FALSE(session.loggedIn());
  EXPECT_EQ(session.onLoginAnswer(LoginResponse::kLoggedIn), Outcome::kSignedIn);
  EXPECT_TRUE(session.loggedIn());
  EXPECT_EQ(session.tries(), 0);
  for (int result = 1; result <= 5; ++result) EXPECT_EQ(session.onLoginAnswer(result), Outcome::kRefused) << result;
}

TEST_F(SignInSessionTest, ALogoutAnswerEndsTheConnectionUnlessItAnswersTheGoodbyeBeforeAReconnect) {
  // The goodbye on a broken socket: its answer only clears the state.
  EXPECT_EQ(session.announceLogout(false), LogoutState::kNone);
  EXPECT_FALSE(session.onLogoutAnswer());
  EXPECT_EQ(session.logoutState(), LogoutState::kNone);

  // Unasked: signed in elsewhere.
  EXPECT_TRUE(session.onLogoutAnswer());
  EXPECT_EQ(session.logoutState(), LogoutState::kForcedOffline);

  // The user's own goodbye stays the user's, also when its write failed
  // after the user had asked to leave.
  session.restart();
  session.expectFinalLogout();
  const LogoutState before = session.announceLogout(true);
  session.logoutNotSent(before);
  EXPECT_TRUE(session.onLogoutAnswer());
  EXPECT_EQ(session.logoutState(), LogoutState::kFinal);

  // A goodbye that never went out leaves nothing behind.
  session.restart();
  session.logoutNotSent(session.announceLogout(false));
  EXPECT_TRUE(session.onLogoutAnswer());
  EXPECT_EQ(session.logoutState(), LogoutState::kForcedOffline);
}

TEST_F(SignInSessionTest, PhoneAndPasswordAreCutToTheirFieldsAndRefusalsNameThePhone) {
  session.setAccount("138000000001234567", "0123456789abcdefgh");
  EXPECT_EQ(session.phone(), "1380000000012345");
  const auto login = LoginRequest::read(session.nextLoginAttempt().data(), 66);
  EXPECT_EQ(login.password, "0123456789abcde");
  EXPECT_EQ(session.refusalText(LoginResponse::kWrongPassword), "1380000000012345密码错误");
  EXPECT_EQ(session.refusalText(LoginResponse::kVersionTooOld), "您的版本过低,请下载最新版本");
  EXPECT_EQ(session.refusalText(9), "");
}

}  // namespace
}  // namespace kiv::test
