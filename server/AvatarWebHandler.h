#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <boost/beast/http.hpp>
#include <cstdint>
#include <string>

#include "server/ServerLog.h"
#include "server/Store.h"

namespace kiv::server {

// What the web port answers, without the sockets:
//   GET  /upload/user/<id>.jpg, /upload/group/<id>.jpg  200 with the JPEG, 404 when none
//   POST /upload/pc_img_add.jsp (multipart/form-data)   200 stored, 403 bad credentials
//                                                       or not the group's owner,
//                                                       400 malformed form or no picture
// Anything else is 404 (405 for other methods on the upload path).
class AvatarWebHandler {
 public:
  using HttpRequest = boost::beast::http::request<boost::beast::http::string_body>;
  using HttpResponse = boost::beast::http::response<boost::beast::http::string_body>;

  AvatarWebHandler(Store& store, ServerLog& log) : store_(store), log_(log) {}

  HttpResponse handle(const HttpRequest& request);

 private:
  HttpResponse download(const HttpRequest& request, bool group, const std::string& idText);
  HttpResponse upload(const HttpRequest& request);
  Store& store_;
  ServerLog& log_;
};

}  // namespace kiv::server
