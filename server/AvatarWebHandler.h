#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <boost/beast/http.hpp>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "server/MultipartForm.h"
#include "server/ServerLog.h"
#include "server/ServerOptions.h"
#include "server/SignInThrottle.h"
#include "server/Store.h"

namespace kiv::server {

// What the web port answers, without the sockets:
//   GET  /upload/user/<id>.jpg, /upload/group/<id>.jpg  200 with the JPEG, 404 when none
//   POST /upload/pc_img_add.jsp (multipart/form-data)   200 stored, 403 bad credentials
//                                                       or not the group's owner,
//                                                       429 too many failed sign-ins,
//                                                       400 malformed form or no picture,
//                                                       413 beyond the body limit
// Anything else is 404 (405 for other methods on the upload path). An upload
// is read as it arrives: the credentials in front of the file are checked
// (and counted by the sign-in throttle, like the chat port's) before any of
// the file is kept.
class AvatarWebHandler {
 public:
  // A request as read so far: its header, its body still to come.
  using Header = boost::beast::http::request<boost::beast::http::buffer_body>;
  using HttpResponse = boost::beast::http::response<boost::beast::http::string_body>;

  // One upload being read.
  struct Upload {
    Upload(MultipartForm f, unsigned v, std::string p) : form(std::move(f)), version(v), peer(std::move(p)) {}
    MultipartForm form;
    unsigned version;
    std::string peer;
    bool group = false;
    std::uint32_t id = 0;
  };

  AvatarWebHandler(Store& store, ServerLog& log, SignInThrottle& throttle, const WebLimits& limits)
      : store_(store), log_(log), throttle_(throttle), limits_(limits) {}

  // True when the request is an upload, whose body is to be fed to an Upload.
  static bool isUpload(const Header& request);
  // Any other request, answered from its header alone.
  HttpResponse handle(const Header& request);

  // An upload from `peer` (its peer key); nullptr with `refusal` filled when
  // it is refused from its header already.
  std::unique_ptr<Upload> startUpload(const Header& request, std::string peer, HttpResponse& refusal);
  // The next piece of the body: nullopt while more is needed, else the answer
  // (after which nothing more is read).
  std::optional<HttpResponse> feed(Upload& upload, std::string_view data);
  // The body ended before the form did.
  HttpResponse cutShort(const Upload& upload);
  // The body is beyond the limit.
  HttpResponse tooLarge(const Header& request);

 private:
  HttpResponse download(const Header& request, bool group, const std::string& idText);
  // Checks the credentials and the right to change the picture; the refusal.
  std::optional<HttpResponse> authorise(Upload& upload);
  HttpResponse store(Upload& upload);

  Store& store_;
  ServerLog& log_;
  SignInThrottle& throttle_;
  WebLimits limits_;
};

}  // namespace kiv::server
