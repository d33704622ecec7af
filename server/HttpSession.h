#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <memory>
#include <optional>

#include "server/AvatarWebHandler.h"

namespace kiv::server {

// One connection to the web port: reads requests one after the other (keep-
// alive), answers each through the AvatarWebHandler. Bodies above the upload
// limit, and clients that stall for the time-out, end the connection.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(boost::asio::ip::tcp::socket socket, AvatarWebHandler& handler);
  void start();
  void close();

 private:
  void read();
  void answer(AvatarWebHandler::HttpResponse response);

  boost::beast::tcp_stream stream_;
  boost::beast::flat_buffer buffer_;
  std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> parser_;
  std::shared_ptr<AvatarWebHandler::HttpResponse> response_;
  AvatarWebHandler& handler_;
};

}  // namespace kiv::server
