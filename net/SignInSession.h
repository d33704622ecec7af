#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "net/LogoutState.h"
#include "net/Packet.h"

namespace kiv {

class Clock;
class Log;

// The sign-in of one account: its phone and password and the keys of its
// requests, the attempts and their limit, what the login and logout answers
// mean, and what a signed-in cycle of the sender owes the server. It writes
// nothing itself: the connection sends the packets it builds and reports
// what came back.
//
// The flags may be read from any thread. The login packets and the cycle
// schedule belong to the sender thread (and to restart(), called while no
// sender runs).
class SignInSession {
 public:
  // Connection and login attempts allowed without a successful login.
  static constexpr int kMaxTries = 12;
  // Signed-in cycles between two list requests, and between two polls.
  static constexpr int kListsEvery = 120;
  static constexpr int kPollEvery = 10;

  enum class LoginOutcome { kSignedIn, kTryAgain, kRefused };
  // What one signed-in sender cycle does.
  enum class Duty {
    kListsAndPoll,  // the group-list poll, the friend list and a notice poll
    kPoll,          // a notice poll
    kResend,        // the resend pass over the request table
  };

  SignInSession(const Clock& clock, Log& log);

  // Phone and password as GBK text, cut to what their fields hold; the phone
  // also gives the account number of every header.
  void setAccount(const std::string& phone, const std::string& password);
  std::string phone() const;
  HeaderKey newKey() const;

  // A new start: signed out, no goodbye said, no attempts, the schedule
  // from its beginning.
  void restart();

  // Counts an attempt; returns the count. triesExhausted() once past the limit.
  int countTry();
  bool triesExhausted() const { return tries_ > kMaxTries; }
  int tries() const { return tries_; }

  // Counts and logs a login attempt and returns the login packet to write.
  // The polls of the signed-in cycles carry this attempt's stamps.
  std::vector<std::uint8_t> nextLoginAttempt();
  LoginOutcome onLoginAnswer(int result);
  // What the user is told about a refusal, UTF-8.
  std::string refusalText(int result) const;

  // Advances the schedule of signed-in cycles: the first one and every
  // 120th after it asks for the lists, every tenth polls for notices.
  Duty nextDuty();
  // The 24-byte polls of the last login attempt.
  const std::uint8_t* groupListPoll() const { return packets_.data() + kLoginLength; }
  const std::uint8_t* noticePoll() const { return packets_.data() + kLoginLength + kHeaderSize; }

  // The goodbye: the packet, then announceLogout before writing it (a quick
  // server answers before the write returns) and logoutNotSent when the
  // write failed.
  std::vector<std::uint8_t> logoutPacket() const;
  LogoutState announceLogout(bool final);
  void logoutNotSent(LogoutState before);
  // The user is leaving: any logout answer from now on is the one asked for.
  void expectFinalLogout() { logoutState_ = LogoutState::kFinal; }
  // True for the one caller that may write the final goodbye.
  bool claimFarewell() { return !farewell_.exchange(true); }
  // A logout answer arrived; true when the connection must end.
  bool onLogoutAnswer();
  LogoutState logoutState() const { return logoutState_; }

  bool loggedIn() const { return loggedIn_; }
  void signedOut() { loggedIn_ = false; }
  // Signs out and tells whether it had been signed in.
  bool takeSignedIn() { return loggedIn_.exchange(false); }

  std::uint32_t ownUserId() const { return ownUserId_; }
  void setOwnUserId(std::uint32_t id) { ownUserId_ = id; }

 private:
  static constexpr std::size_t kLoginLength = 66;

  const Clock& clock_;
  Log& log_;

  mutable std::mutex accountLock_;
  std::string phone_;
  std::string password_;
  AccountWords account_;

  std::atomic<bool> loggedIn_{false};
  std::atomic<int> tries_{0};
  std::atomic<LogoutState> logoutState_{LogoutState::kNone};
  std::atomic<bool> farewell_{false};
  std::atomic<std::uint32_t> ownUserId_{0};

  std::array<std::uint8_t, kLoginLength + 2 * kHeaderSize> packets_{};
  int cycle_ = -1;  // kept across re-logins: the lists come every 120 cycles
};

}  // namespace kiv
