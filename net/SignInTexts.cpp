#include "net/SignInTexts.h"

#include "net/LoginMessages.h"
#include "platform/Gbk.h"

namespace kiv {

std::string loginRefusalText(int result, const std::string& phoneGbk) {
  const std::string phone = gbk::toUtf8(phoneGbk);
  switch (result) {
    case LoginResponse::kNotRegistered:
      return phone + "手机号未注册";
    case LoginResponse::kCancelled:
      return phone + "手机号已经注销";
    case LoginResponse::kWrongPassword:
      return phone + "密码错误";
    case LoginResponse::kVersionTooOld:
      return "您的版本过低,请下载最新版本";
    case LoginResponse::kLoggedInElsewhere:
      return "您已经在其它地方登录,不能重复登录!";
    default:
      return {};
  }
}

}  // namespace kiv
