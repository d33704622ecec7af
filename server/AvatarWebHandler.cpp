#include "server/AvatarWebHandler.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "server/AvatarImage.h"
#include "server/DecimalText.h"
#include "server/FieldText.h"
#include "server/MultipartForm.h"

namespace kiv::server {

namespace http = boost::beast::http;

namespace {

AvatarWebHandler::HttpResponse reply(const AvatarWebHandler::HttpRequest& request, http::status status,
                                     std::string body, const char* type = "text/plain; charset=utf-8") {
  AvatarWebHandler::HttpResponse response{status, request.version()};
  response.set(http::field::server, "kiv-server");
  response.set(http::field::content_type, type);
  response.keep_alive(request.keep_alive());
  response.body() = std::move(body);
  response.prepare_payload();
  return response;
}

}  // namespace

AvatarWebHandler::HttpResponse AvatarWebHandler::handle(const HttpRequest& request) {
  std::string target(request.target());
  target = target.substr(0, target.find('?'));
  for (const auto& [prefix, group] : {std::pair<std::string, bool>{"/upload/user/", false}, {"/upload/group/", true}}) {
    if (target.rfind(prefix, 0) == 0 && target.size() > prefix.size() + 4 &&
        target.compare(target.size() - 4, 4, ".jpg") == 0) {
      if (request.method() != http::verb::get && request.method() != http::verb::head) {
        return reply(request, http::status::method_not_allowed, "method not allowed\n");
      }
      return download(request, group, target.substr(prefix.size(), target.size() - prefix.size() - 4));
    }
  }
  if (target == "/upload/pc_img_add.jsp") {
    if (request.method() != http::verb::post) return reply(request, http::status::method_not_allowed, "use POST\n");
    return upload(request);
  }
  return reply(request, http::status::not_found, "not found\n");
}

AvatarWebHandler::HttpResponse AvatarWebHandler::download(const HttpRequest& request, bool group,
                                                          const std::string& idText) {
  const auto id = decimalId(idText);
  const auto jpeg = id ? store_.avatar(group, *id) : std::nullopt;
  if (!jpeg) return reply(request, http::status::not_found, "no picture\n");
  auto response = reply(request, http::status::ok, *jpeg, "image/jpeg");
  response.set(http::field::cache_control, "no-cache");
  return response;
}

AvatarWebHandler::HttpResponse AvatarWebHandler::upload(const HttpRequest& request) {
  const auto contentType = request[http::field::content_type];
  const auto form = MultipartForm::parse(std::string_view(contentType.data(), contentType.size()), request.body());
  if (!form) return reply(request, http::status::bad_request, "malformed form\n");
  const auto phone = form->field("loginuser");
  const auto password = form->field("loginpwd");
  const auto id = decimalId(form->field("changid").value_or(""));
  const auto groupFlag = form->field("isgroup").value_or("");
  if (!phone || !password || !id || (groupFlag != "0" && groupFlag != "1") || !form->file()) {
    return reply(request, http::status::bad_request, "missing fields\n");
  }
  const bool group = groupFlag == "1";

  const auto account = store_.accountByPhone(*phone);
  if (!account || account->cancelled || account->password.empty() || account->password != *password) {
    log_.write("avatar upload refused: bad credentials for " + logText(*phone));
    return reply(request, http::status::forbidden, "bad credentials\n");
  }
  if (group) {
    const auto g = store_.group(*id);
    if (!g || g->dismissed || g->owner != account->userId) {
      log_.write("avatar upload refused: user " + std::to_string(account->userId) + " does not own group " +
                 std::to_string(*id));
      return reply(request, http::status::forbidden, "not the group's owner\n");
    }
  } else if (*id != account->userId) {
    log_.write("avatar upload refused: user " + std::to_string(account->userId) + " for user " + std::to_string(*id));
    return reply(request, http::status::forbidden, "not your picture\n");
  }

  const auto jpeg = AvatarImage::normalise(form->file()->data);
  if (!jpeg) return reply(request, http::status::bad_request, "not a picture\n");
  if (!store_.putAvatar(group, *id, *jpeg)) {
    return reply(request, http::status::internal_server_error, "cannot store\n");
  }
  log_.write(std::string("stored avatar of ") + (group ? "group " : "user ") + std::to_string(*id) + " (" +
             std::to_string(jpeg->size()) + " bytes)");
  return reply(request, http::status::ok, "ok\n");
}

}  // namespace kiv::server
