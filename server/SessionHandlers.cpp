#include "server/SessionHandlers.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "net/LoginMessages.h"
#include "net/LogoutMessages.h"
#include "net/SmsPasswordMessages.h"
#include "server/DecimalText.h"
#include "server/FieldText.h"
#include "server/ServerLimits.h"

namespace kiv::server {

namespace {

bool isPhoneNumber(const std::string& phone) {
  return phone.size() == kMaxPhoneLength && allDigits(phone);
}

// A sign-in that may not be checked now: "try again", which the client does
// by itself in its next cycle without showing anything.
constexpr std::uint8_t kTryLater = 6;
// The SMS answer the client shows as "try again later".
constexpr std::uint8_t kSmsTryLater = 3;

}  // namespace

SessionHandlers::LoginOutcome SessionHandlers::login(const Request& request) {
  const auto in = LoginRequest::read(request.data, request.size);
  const std::string& from = request.link->peerKey();
  auto answer = [&](std::uint8_t result) {
    context_.log.write("login " + logText(in.phone) + " from " + request.link->describe() + ": result " +
                       std::to_string(result));
    return LoginResponse{result}.build(request.key());
  };

  const Millis wait = context_.throttle.wait(in.phone, from);
  if (wait.count() > 0) {
    if (wait <= context_.throttle.limits().longestHold && !request.again) return {{}, wait};
    return {refused(request, answer(kTryLater))};
  }
  const auto account = context_.store.accounts().accountByPhone(in.phone);
  if (!account) {
    context_.throttle.failed(in.phone, false, from);
    return {refused(request, answer(LoginResponse::kNotRegistered))};
  }
  if (account->cancelled) return {answer(LoginResponse::kCancelled)};
  // An empty stored password means the account cannot sign in at all.
  if (account->password.empty() || account->password != in.password) {
    context_.throttle.failed(in.phone, true, from);
    return {refused(request, answer(LoginResponse::kWrongPassword))};
  }
  context_.throttle.succeeded(in.phone, from);
  if (in.clientVersion != kClientVersion) return {answer(LoginResponse::kVersionTooOld)};

  ClientLink& link = *request.link;
  if (link.userId() == account->userId) return {answer(LoginResponse::kLoggedIn)};  // a repeated attempt

  auto existing = context_.sessions.find(account->userId);
  if (context_.refuseSecondLogin && existing != request.link &&
      (existing || context_.sessions.isOnline(account->userId))) {
    return {answer(LoginResponse::kLoggedInElsewhere)};
  }
  if (link.userId() != 0) context_.sessions.signOut(link.userId(), &link);  // another account on this connection

  link.setUserId(account->userId);
  link.setPhone(account->phone);
  auto replaced = context_.sessions.signIn(account->userId, request.link);
  if (replaced) {
    context_.log.write("user " + std::to_string(account->userId) + " signed in again from " + link.describe());
    signOutReplaced(*replaced);
  }
  return {answer(LoginResponse::kLoggedIn)};
}

std::vector<std::uint8_t> SessionHandlers::refused(const Request& request, std::vector<std::uint8_t> answer) {
  if (request.link->countSignInFailure() < context_.throttle.limits().failuresPerConnection) return answer;
  request.link->send(std::move(answer));
  context_.log.write("closing " + request.link->describe() + ": too many failed sign-ins");
  request.link->closeAfterSending();
  return {};
}

std::vector<std::uint8_t> SessionHandlers::logout(const Request& request) {
  ClientLink& link = *request.link;
  if (link.userId() != 0) {
    context_.log.write("logout user " + std::to_string(link.userId()) + " from " + link.describe());
    context_.sessions.signOut(link.userId(), &link);
    link.setUserId(0);
  } else {
    context_.log.write("logout from " + link.describe() + ", not signed in");
  }
  return LogoutResponse{}.build(request.key());
}

std::vector<std::uint8_t> SessionHandlers::smsPassword(const Request& request) {
  const auto in = SmsPasswordRequest::read(request.data, request.size);
  std::uint8_t result = SmsPasswordResponse::kSent;
  const std::string& from = request.link->peerKey();
  if (!isPhoneNumber(in.phone)) {
    result = SmsPasswordResponse::kMalformedNumber;
  } else if (context_.throttle.wait("", from).count() > 0) {
    // Asking for numbers nobody has is guessing which ones exist: it counts
    // like a failed sign-in of the address, and is held back the same way.
    result = kSmsTryLater;
  } else {
    const auto account = context_.store.accounts().accountByPhone(in.phone);
    if (!account || account->cancelled || account->password.empty()) {
      context_.throttle.failed(in.phone, false, from);
      result = SmsPasswordResponse::kNotAUser;
    } else {
      // There is no SMS gateway, and the password stays out of the log.
      context_.log.write("SMS to " + in.phone + ": the password would be sent (no SMS gateway)");
    }
  }
  context_.log.write("sms password " + logText(in.phone) + ": result " + std::to_string(result));
  return SmsPasswordResponse{result}.build(request.key());
}

void SessionHandlers::signOutReplaced(ClientLink& link) {
  const HeaderKey key{accountFromPhone(link.phone()), 0, 0};
  context_.log.write("user " + std::to_string(link.userId()) + " signed in elsewhere; signing out " + link.describe());
  link.setUserId(0);
  link.send(LogoutResponse{}.build(key));
  link.closeAfterSending();
}

void SessionHandlers::connectionClosed(ClientLink& link) {
  if (link.userId() == 0) return;
  context_.sessions.signOut(link.userId(), &link);
  link.setUserId(0);
}

}  // namespace kiv::server
