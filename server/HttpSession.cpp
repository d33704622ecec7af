#include "server/HttpSession.h"

#include <chrono>

namespace kiv::server {

namespace beast = boost::beast;
namespace http = beast::http;

namespace {

// How long, and for how many bytes, a refused upload is drained before the
// connection is closed.
constexpr std::chrono::seconds kLinger{1};
constexpr std::size_t kLingerBytes = 1024 * 1024;

}  // namespace

HttpSession::HttpSession(boost::asio::ip::tcp::socket socket, AvatarWebHandler& handler, const WebLimits& limits,
                         std::string peer, std::shared_ptr<void> ticket, const std::string& early)
    : stream_(std::move(socket)),
      handler_(handler),
      limits_(limits),
      peer_(std::move(peer)),
      ticket_(std::move(ticket)) {
  buffer_.commit(boost::asio::buffer_copy(buffer_.prepare(early.size()), boost::asio::buffer(early)));
}

void HttpSession::start() {
  readHeader();
}

void HttpSession::close() {
  beast::error_code ec;
  stream_.socket().shutdown(boost::asio::ip::tcp::socket::shutdown_both, ec);
  stream_.socket().close(ec);
}

void HttpSession::readHeader() {
  parser_.emplace();
  parser_->header_limit(16 * 1024);
  parser_->body_limit(limits_.bodyBytes);
  upload_.reset();
  stream_.expires_after(limits_.header);
  http::async_read_header(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
    if (ec == http::error::body_limit) {  // the announced length says so already
      self->answer(self->handler_.tooLarge(self->parser_->get()));
      return;
    }
    if (ec) {
      self->close();
      return;
    }
    const auto& request = self->parser_->get();
    if (!AvatarWebHandler::isUpload(request)) {
      auto response = self->handler_.handle(request);
      // A body nobody reads would be taken for the next request.
      if (!self->parser_->is_done()) response.keep_alive(false);
      self->answer(std::move(response));
      return;
    }
    AvatarWebHandler::HttpResponse refusal;
    self->upload_ = self->handler_.startUpload(request, self->peer_, refusal);
    if (!self->upload_) {
      self->answer(std::move(refusal));
      return;
    }
    self->stream_.expires_after(self->limits_.body);
    self->readBody();
  });
}

void HttpSession::readBody() {
  if (parser_->is_done()) {
    answer(handler_.cutShort(*upload_));
    return;
  }
  auto& body = parser_->get().body();
  body.data = chunk_.data();
  body.size = chunk_.size();
  http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
    if (ec == http::error::need_buffer) ec = {};
    if (ec == http::error::body_limit) {
      self->answer(self->handler_.tooLarge(self->parser_->get()));
      return;
    }
    if (ec) {
      self->close();
      return;
    }
    const std::size_t got = self->chunk_.size() - self->parser_->get().body().size;
    if (auto response = self->handler_.feed(*self->upload_, std::string_view(self->chunk_.data(), got))) {
      self->answer(std::move(*response));
      return;
    }
    self->readBody();
  });
}

void HttpSession::answer(AvatarWebHandler::HttpResponse response) {
  response_ = std::make_shared<AvatarWebHandler::HttpResponse>(std::move(response));
  stream_.expires_after(limits_.header);
  http::async_write(stream_, *response_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
    if (ec) {
      self->close();
    } else if (!self->response_->keep_alive()) {
      self->lingerThenClose();
    } else {
      self->readHeader();
    }
  });
}

void HttpSession::lingerThenClose() {
  // Closing with unread bytes from the client resets the connection, and the
  // reset can overtake the answer: say we are done, then read and drop what
  // still comes for a moment before closing.
  beast::error_code ec;
  stream_.socket().shutdown(boost::asio::ip::tcp::socket::shutdown_send, ec);
  stream_.expires_after(kLinger);
  drain(0);
}

void HttpSession::drain(std::size_t dropped) {
  stream_.async_read_some(boost::asio::buffer(chunk_), [self = shared_from_this(), dropped](beast::error_code ec,
                                                                                            std::size_t n) {
    if (ec || dropped + n > kLingerBytes) {
      self->close();
      return;
    }
    self->drain(dropped + n);
  });
}

}  // namespace kiv::server
