#include "net/SignInSession.h"

#include <cstring>

#include "net/GroupListMessages.h"
#include "net/LoginMessages.h"
#include "net/LogoutMessages.h"
#include "net/NoticePollMessages.h"
#include "net/SignInTexts.h"
#include "platform/Clock.h"
#include "platform/Gbk.h"
#include "platform/Log.h"

namespace kiv {

SignInSession::SignInSession(const Clock& clock, Log& log) : clock_(clock), log_(log) {}

void SignInSession::setAccount(const std::string& phone, const std::string& password) {
  std::lock_guard lock(accountLock_);
  // The fields hold 17 and 16 bytes with their terminators.
  phone_ = std::string(gbk::cut(phone, 16));
  password_ = std::string(gbk::cut(password, 15));
  account_ = accountFromPhone(phone_);
}

std::string SignInSession::phone() const {
  std::lock_guard lock(accountLock_);
  return phone_;
}

HeaderKey SignInSession::newKey() const {
  AccountWords words;
  {
    std::lock_guard lock(accountLock_);
    words = account_;
  }
  return freshKey(words, clock_.localNow());
}

void SignInSession::restart() {
  loggedIn_ = false;
  tries_ = 0;
  logoutState_ = LogoutState::kNone;
  farewell_ = false;
  cycle_ = -1;
}

int SignInSession::countTry() {
  return ++tries_;
}

std::vector<std::uint8_t> SignInSession::nextLoginAttempt() {
  LoginRequest request;
  {
    std::lock_guard lock(accountLock_);
    request.phone = phone_;
    request.password = password_;
  }
  // The login and the two header-only polls are stamped together; the polls
  // are sent as they are until the next login attempt.
  auto login = request.build(newKey());
  const auto groups = GroupListRequest{}.build(newKey());
  const auto notices = NoticePollRequest{}.build(newKey());
  login.resize(kLoginLength);
  std::memcpy(packets_.data(), login.data(), kLoginLength);
  std::memcpy(packets_.data() + kLoginLength, groups.data(), kHeaderSize);
  std::memcpy(packets_.data() + kLoginLength + kHeaderSize, notices.data(), kHeaderSize);
  log_.line() << " LoginServer,try num:" << countTry();
  return login;
}

SignInSession::LoginOutcome SignInSession::onLoginAnswer(int result) {
  log_.line() << " LoginServer_Resp,nLoginStyle:" << result;
  if (result == LoginResponse::kLoggedIn) {
    loggedIn_ = true;
    tries_ = 0;
    return LoginOutcome::kSignedIn;
  }
  if (result > LoginResponse::kLoggedInElsewhere) return LoginOutcome::kTryAgain;
  return LoginOutcome::kRefused;
}

std::string SignInSession::refusalText(int result) const {
  return loginRefusalText(result, phone());
}

SignInSession::Duty SignInSession::nextDuty() {
  ++cycle_;
  if (cycle_ % kListsEvery == 0) {
    cycle_ = 0;
    return Duty::kListsAndPoll;
  }
  return cycle_ % kPollEvery == 0 ? Duty::kPoll : Duty::kResend;
}

std::vector<std::uint8_t> SignInSession::logoutPacket() const {
  return LogoutRequest{}.build(newKey());
}

LogoutState SignInSession::announceLogout(bool final) {
  return logoutState_.exchange(final ? LogoutState::kFinal : LogoutState::kBeforeReconnect);
}

void SignInSession::logoutNotSent(LogoutState before) {
  logoutState_ = before;
}

bool SignInSession::onLogoutAnswer() {
  const LogoutState state = logoutState_;
  log_.line() << " KIV_EXIT_RESP,nLoginOut:" << static_cast<int>(state);
  if (state == LogoutState::kBeforeReconnect) {
    logoutState_ = LogoutState::kNone;  // the answer to the goodbye before a reconnect
    return false;
  }
  if (state != LogoutState::kFinal) logoutState_ = LogoutState::kForcedOffline;  // unasked
  return true;
}

}  // namespace kiv
