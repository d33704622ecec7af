#include "server/ProfileHandlers.h"

#include <algorithm>
#include <cctype>

#include "net/ChangePasswordMessages.h"
#include "net/FieldWidths.h"
#include "net/UpdateUserInfoMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/Gbk.h"
#include "server/CleanText.h"
#include "server/DecimalText.h"
#include "server/FieldText.h"
#include "server/ServerLimits.h"

namespace kiv::server {

namespace {

bool isBirthday(const std::string& text) {
  return text.empty() || (text.size() == 8 && allDigits(text));
}

// The three values the profile window offers; anything else is kept private.
std::string knownSex(const std::string& sex) {
  static const std::string male = gbk::fromUtf8("男");
  static const std::string female = gbk::fromUtf8("女");
  if (sex == male || sex == female) return sex;
  return gbk::fromUtf8("保密");
}

}  // namespace

std::vector<std::uint8_t> ProfileHandlers::userInfo(const Request& request) {
  const auto in = UserInfoRequest::read(request.data, request.size);
  const std::uint32_t wanted = in.userId == 0 ? request.userId() : in.userId;
  const auto account = context_.store.accounts().account(wanted);
  UserInfoResponse out;
  if (!account) {
    out.status = 1;
    out.userId = in.userId;
    return out.build(request.key());
  }
  out.userId = account->userId;
  out.nickname = boundedText(account->nickname, fields::kNickname);
  out.sex = account->sex;
  out.introduction = boundedText(account->introduction, fields::kIntroduction);
  out.points = account->points;
  out.city = boundedText(account->city, fields::kCity);
  out.birthday = account->birthday;
  return out.build(request.key());
}

std::vector<std::uint8_t> ProfileHandlers::updateUserInfo(const Request& request) {
  const auto in = UpdateUserInfoRequest::read(request.data, request.size);
  UpdateUserInfoResponse out;
  out.status = 1;
  if (in.userId == request.userId() && isBirthday(in.birthday)) {
    // Stored as the bounded fields will show it, so every answer agrees.
    const bool saved =
        context_.store.accounts().updateProfile(request.userId(), boundedText(withoutControls(in.nickname), fields::kNickname), knownSex(in.sex),
                                     boundedText(withoutControls(in.introduction), fields::kIntroduction), in.birthday);
    out.status = saved ? 0 : 1;
  }
  return out.build(request.key());
}

std::vector<std::uint8_t> ProfileHandlers::changePassword(const Request& request) {
  const auto in = ChangePasswordRequest::read(request.data, request.size);
  ChangePasswordResponse out;
  const auto account = context_.store.accounts().account(request.userId());
  if (!account || account->password != in.oldPassword) {
    out.result = ChangePasswordResponse::kWrongOldPassword;
  } else if (in.newPassword.empty()) {
    out.result = ChangePasswordResponse::kNewPasswordEmpty;
  } else if (in.newPassword.size() > kMaxPasswordLength) {
    out.result = ChangePasswordResponse::kNewPasswordTooLong;
  } else {
    out.result =
        context_.store.accounts().setPassword(account->userId, in.newPassword) ? ChangePasswordResponse::kChanged : 9;
  }
  if (out.result == ChangePasswordResponse::kChanged) {
    context_.log.write("user " + std::to_string(account->userId) + " changed the password");
  }
  return out.build(request.key());
}

}  // namespace kiv::server
