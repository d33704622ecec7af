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

}  // namespace

std::vector<std::uint8_t> SessionHandlers::login(const Request& request) {
  const auto in = LoginRequest::read(request.data, request.size);
  auto answer = [&](std::uint8_t result) {
    context_.log.write("login " + logText(in.phone) + " from " + request.link->describe() + ": result " +
                       std::to_string(result));
    return LoginResponse{result}.build(request.key());
  };

  const auto account = context_.store.accountByPhone(in.phone);
  if (!account) return answer(LoginResponse::kNotRegistered);
  if (account->cancelled) return answer(LoginResponse::kCancelled);
  // An empty stored password means the account cannot sign in at all.
  if (account->password.empty() || account->password != in.password) return answer(LoginResponse::kWrongPassword);
  if (in.clientVersion != kClientVersion) return answer(LoginResponse::kVersionTooOld);

  ClientLink& link = *request.link;
  if (link.userId() == account->userId) return answer(LoginResponse::kLoggedIn);  // a repeated attempt

  auto existing = context_.sessions.find(account->userId);
  if (existing && existing != request.link) {
    if (context_.refuseSecondLogin) return answer(LoginResponse::kLoggedInElsewhere);
  }
  if (link.userId() != 0) context_.sessions.signOut(link.userId(), &link);  // another account on this connection

  link.setUserId(account->userId);
  link.setPhone(account->phone);
  auto replaced = context_.sessions.signIn(account->userId, request.link);
  if (replaced) {
    // The earlier connection learns it was signed in elsewhere from a logout
    // answer it did not ask for; then it is closed.
    const HeaderKey key{accountFromPhone(replaced->phone()), 0, 0};
    replaced->setUserId(0);
    replaced->send(LogoutResponse{}.build(key));
    replaced->closeAfterSending();
    context_.log.write("user " + std::to_string(account->userId) + " signed in again from " + link.describe() +
                       "; signed out " + replaced->describe());
  }
  return answer(LoginResponse::kLoggedIn);
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
  if (!isPhoneNumber(in.phone)) {
    result = SmsPasswordResponse::kMalformedNumber;
  } else {
    const auto account = context_.store.accountByPhone(in.phone);
    if (!account || account->cancelled || account->password.empty()) {
      result = SmsPasswordResponse::kNotAUser;
    } else {
      // There is no SMS gateway: the text that would go out is logged.
      context_.log.write("SMS to " + in.phone + ": 您的木棉密码是 " + logText(account->password));
    }
  }
  context_.log.write("sms password " + logText(in.phone) + ": result " + std::to_string(result));
  return SmsPasswordResponse{result}.build(request.key());
}

void SessionHandlers::connectionClosed(ClientLink& link) {
  if (link.userId() == 0) return;
  context_.sessions.signOut(link.userId(), &link);
  link.setUserId(0);
}

}  // namespace kiv::server
