#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <array>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <memory>
#include <optional>
#include <string>

#include "server/AvatarWebHandler.h"
#include "server/ServerOptions.h"

namespace kiv::server {

// One connection to the web port: reads requests one after the other (keep-
// alive) and answers each through the AvatarWebHandler. The headers must
// come within the header time and an upload's body within the body time; an
// upload is fed to the handler piece by piece as it arrives, so nothing of it
// is kept before the handler has checked the credentials, and the connection
// is closed after the answer to an upload.
//
// `early` is what the client sent before the connection was handed over (the
// bytes that came with a balancer's PROXY header): the start of the request.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(boost::asio::ip::tcp::socket socket, AvatarWebHandler& handler, const WebLimits& limits, std::string peer,
              std::shared_ptr<void> ticket, const std::string& early = {});
  void start();
  void close();

 private:
  void readHeader();
  void readBody();
  void answer(AvatarWebHandler::HttpResponse response);
  void lingerThenClose();
  void drain(std::size_t dropped);

  boost::beast::tcp_stream stream_;
  boost::beast::flat_buffer buffer_;
  std::optional<boost::beast::http::request_parser<boost::beast::http::buffer_body>> parser_;
  std::array<char, 16384> chunk_{};
  std::unique_ptr<AvatarWebHandler::Upload> upload_;
  std::shared_ptr<AvatarWebHandler::HttpResponse> response_;
  AvatarWebHandler& handler_;
  WebLimits limits_;
  std::string peer_;
  std::shared_ptr<void> ticket_;  // this connection's place within the caps
};

}  // namespace kiv::server
