#include "server/HttpSession.h"

#include <chrono>

#include "server/ServerLimits.h"

namespace kiv::server {

namespace beast = boost::beast;
namespace http = beast::http;

HttpSession::HttpSession(boost::asio::ip::tcp::socket socket, AvatarWebHandler& handler)
    : stream_(std::move(socket)), handler_(handler) {}

void HttpSession::start() {
  read();
}

void HttpSession::close() {
  beast::error_code ec;
  stream_.socket().shutdown(boost::asio::ip::tcp::socket::shutdown_both, ec);
  stream_.socket().close(ec);
}

void HttpSession::read() {
  parser_.emplace();
  parser_->body_limit(kMaxUploadBytes);
  parser_->header_limit(16 * 1024);
  stream_.expires_after(std::chrono::seconds(30));
  http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
    if (ec == http::error::body_limit) {
      AvatarWebHandler::HttpResponse tooLarge{http::status::payload_too_large, 11};
      tooLarge.set(http::field::content_type, "text/plain");
      tooLarge.body() = "upload too large\n";
      tooLarge.keep_alive(false);
      tooLarge.prepare_payload();
      self->answer(std::move(tooLarge));
      return;
    }
    if (ec) {
      self->close();
      return;
    }
    self->answer(self->handler_.handle(self->parser_->get()));
  });
}

void HttpSession::answer(AvatarWebHandler::HttpResponse response) {
  response_ = std::make_shared<AvatarWebHandler::HttpResponse>(std::move(response));
  stream_.expires_after(std::chrono::seconds(30));
  http::async_write(stream_, *response_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
    if (ec || !self->response_->keep_alive()) {
      self->close();
      return;
    }
    self->read();
  });
}

}  // namespace kiv::server
