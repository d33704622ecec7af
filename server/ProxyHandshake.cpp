#include "server/ProxyHandshake.h"

namespace kiv::server {

namespace asio = boost::asio;

ProxyHandshake::ProxyHandshake(asio::ip::tcp::socket socket, Millis timeout, Done done, Failed failed)
    : socket_(std::move(socket)),
      deadline_(socket_.get_executor()),
      timeout_(timeout),
      done_(std::move(done)),
      failed_(std::move(failed)) {}

void ProxyHandshake::start() {
  deadline_.expires_after(timeout_);
  deadline_.async_wait([self = shared_from_this()](const boost::system::error_code& ec) {
    if (!ec && !self->over_) self->fail("no PROXY header in time");
  });
  read();
}

void ProxyHandshake::read() {
  socket_.async_read_some(asio::buffer(buffer_.data() + have_, buffer_.size() - have_),
                          [self = shared_from_this()](const boost::system::error_code& ec, std::size_t n) {
                            if (self->over_) return;
                            if (ec) {
                              self->fail(self->have_ == 0 ? std::string() : "closed within its PROXY header");
                              return;
                            }
                            self->have_ += n;
                            auto header = ProxyHeader::parse(self->buffer_.data(), self->have_);
                            switch (header.state) {
                              case ProxyHeader::State::kBad:
                                self->fail("bad PROXY header: " + header.why);
                                return;
                              case ProxyHeader::State::kNeedMore:
                                // The largest header fits the buffer, so a full buffer has said
                                // all it can.
                                if (self->have_ == self->buffer_.size()) {
                                  self->fail("bad PROXY header: too long");
                                  return;
                                }
                                self->read();
                                return;
                              case ProxyHeader::State::kDone: {
                                self->over_ = true;
                                self->deadline_.cancel();
                                std::string early(reinterpret_cast<const char*>(self->buffer_.data()) + header.length,
                                                  self->have_ - header.length);
                                self->done_(std::move(self->socket_), header.client, std::move(early));
                                return;
                              }
                            }
                          });
}

void ProxyHandshake::fail(const std::string& why) {
  over_ = true;
  deadline_.cancel();
  boost::system::error_code ignored;
  socket_.close(ignored);
  failed_(why);
}

}  // namespace kiv::server
