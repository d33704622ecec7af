#include "server/AvatarWebHandler.h"

#include <algorithm>
#include <cctype>

#include "server/AvatarImage.h"
#include "server/DecimalText.h"
#include "server/FieldText.h"

namespace kiv::server {

namespace http = boost::beast::http;

namespace {

constexpr char kUploadPath[] = "/upload/pc_img_add.jsp";

AvatarWebHandler::HttpResponse reply(unsigned version, bool keepAlive, http::status status, std::string body,
                                     const char* type = "text/plain; charset=utf-8") {
  AvatarWebHandler::HttpResponse response{status, version};
  response.set(http::field::server, "kiv-server");
  response.set(http::field::content_type, type);
  response.keep_alive(keepAlive);
  response.body() = std::move(body);
  response.prepare_payload();
  return response;
}

// An upload is answered once and the connection closed: what the client has
// not sent yet is never read.
AvatarWebHandler::HttpResponse answerOnce(const AvatarWebHandler::Upload& upload, http::status status, std::string body) {
  return reply(upload.version, false, status, std::move(body));
}

std::string targetPath(const AvatarWebHandler::Header& request) {
  std::string target(request.target());
  return target.substr(0, target.find('?'));
}

}  // namespace

bool AvatarWebHandler::isUpload(const Header& request) {
  return targetPath(request) == kUploadPath && request.method() == http::verb::post;
}

AvatarWebHandler::HttpResponse AvatarWebHandler::handle(const Header& request) {
  const std::string target = targetPath(request);
  for (const auto& [prefix, group] : {std::pair<std::string, bool>{"/upload/user/", false}, {"/upload/group/", true}}) {
    if (target.rfind(prefix, 0) == 0 && target.size() > prefix.size() + 4 &&
        target.compare(target.size() - 4, 4, ".jpg") == 0) {
      if (request.method() != http::verb::get && request.method() != http::verb::head) {
        return reply(request.version(), request.keep_alive(), http::status::method_not_allowed,
                     "method not allowed\n");
      }
      return download(request, group, target.substr(prefix.size(), target.size() - prefix.size() - 4));
    }
  }
  if (target == kUploadPath) {
    return reply(request.version(), request.keep_alive(), http::status::method_not_allowed, "use POST\n");
  }
  return reply(request.version(), request.keep_alive(), http::status::not_found, "not found\n");
}

AvatarWebHandler::HttpResponse AvatarWebHandler::download(const Header& request, bool group,
                                                          const std::string& idText) {
  const auto id = decimalId(idText);
  const auto jpeg = id ? store_.avatars().avatar(group, *id) : std::nullopt;
  if (!jpeg) return reply(request.version(), request.keep_alive(), http::status::not_found, "no picture\n");
  auto response = reply(request.version(), request.keep_alive(), http::status::ok, *jpeg, "image/jpeg");
  response.set(http::field::cache_control, "no-cache");
  return response;
}

AvatarWebHandler::HttpResponse AvatarWebHandler::tooLarge(const Header& request) {
  return reply(request.version(), false, http::status::payload_too_large, "upload too large\n");
}

std::unique_ptr<AvatarWebHandler::Upload> AvatarWebHandler::startUpload(const Header& request, std::string peer,
                                                                          HttpResponse& refusal) {
  const auto contentType = request[http::field::content_type];
  auto form = MultipartForm::start(std::string_view(contentType.data(), contentType.size()),
                                   MultipartForm::Limits{limits_.fieldBytes, limits_.parts});
  if (!form) {
    refusal = reply(request.version(), false, http::status::bad_request, "malformed form\n");
    return nullptr;
  }
  return std::make_unique<Upload>(std::move(*form), request.version(), std::move(peer));
}

std::optional<AvatarWebHandler::HttpResponse> AvatarWebHandler::feed(Upload& upload, std::string_view data) {
  auto progress = upload.form.feed(data);
  while (progress == MultipartForm::Progress::kFileStarts) {
    if (auto refusal = authorise(upload)) return refusal;
    progress = upload.form.feed({});
  }
  switch (progress) {
    case MultipartForm::Progress::kMore:
      return std::nullopt;
    case MultipartForm::Progress::kDone:
      if (!upload.form.file()) return answerOnce(upload, http::status::bad_request, "missing fields\n");
      return store(upload);
    default:
      return answerOnce(upload, http::status::bad_request, "malformed form\n");
  }
}

AvatarWebHandler::HttpResponse AvatarWebHandler::cutShort(const Upload& upload) {
  return answerOnce(upload, http::status::bad_request, "malformed form\n");
}

std::optional<AvatarWebHandler::HttpResponse> AvatarWebHandler::authorise(Upload& upload) {
  const auto& form = upload.form;
  const auto phone = form.field("loginuser");
  const auto password = form.field("loginpwd");
  const auto id = decimalId(form.field("changid").value_or(""));
  const auto groupFlag = form.field("isgroup").value_or("");
  if (!phone || !password || !id || (groupFlag != "0" && groupFlag != "1")) {
    return answerOnce(upload, http::status::bad_request, "missing fields\n");
  }
  upload.group = groupFlag == "1";
  upload.id = *id;

  if (throttle_.wait(*phone, upload.peer).count() > 0) {
    auto response = answerOnce(upload, http::status::too_many_requests, "too many failed sign-ins, try again later\n");
    response.set(http::field::retry_after, "60");
    return response;
  }
  const auto account = store_.accounts().accountByPhone(*phone);
  if (!account || account->cancelled || account->password.empty() || account->password != *password) {
    if (!account || !account->cancelled) throttle_.failed(*phone, account.has_value(), upload.peer);
    log_.write("avatar upload refused: bad credentials for " + logText(*phone) + " from " + upload.peer);
    return answerOnce(upload, http::status::forbidden, "bad credentials\n");
  }
  throttle_.succeeded(*phone, upload.peer);
  if (upload.group) {
    const auto g = store_.groups().group(*id);
    if (!g || g->dismissed || g->owner != account->userId) {
      log_.write("avatar upload refused: user " + std::to_string(account->userId) + " does not own group " +
                 std::to_string(*id));
      return answerOnce(upload, http::status::forbidden, "not the group's owner\n");
    }
  } else if (*id != account->userId) {
    log_.write("avatar upload refused: user " + std::to_string(account->userId) + " for user " + std::to_string(*id));
    return answerOnce(upload, http::status::forbidden, "not your picture\n");
  }
  return std::nullopt;
}

AvatarWebHandler::HttpResponse AvatarWebHandler::store(Upload& upload) {
  const auto jpeg = AvatarImage::normalise(upload.form.file()->data);
  if (!jpeg) return answerOnce(upload, http::status::bad_request, "not a picture\n");
  if (!store_.avatars().putAvatar(upload.group, upload.id, *jpeg)) {
    return answerOnce(upload, http::status::internal_server_error, "cannot store\n");
  }
  log_.write(std::string("stored avatar of ") + (upload.group ? "group " : "user ") + std::to_string(upload.id) +
             " (" + std::to_string(jpeg->size()) + " bytes)");
  return answerOnce(upload, http::status::ok, "ok\n");
}

}  // namespace kiv::server
