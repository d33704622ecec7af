#include "server/ChatConnection.h"

namespace kiv::server {

namespace asio = boost::asio;

ChatConnection::ChatConnection(asio::ip::tcp::socket socket, RequestDispatcher& dispatcher, ServerLog& log,
                               std::chrono::seconds idleTime, std::function<void(ChatConnection*)> onClosed)
    : socket_(std::move(socket)),
      idleTimer_(socket_.get_executor()),
      idleTime_(idleTime),
      dispatcher_(dispatcher),
      log_(log),
      protocol_(dispatcher, log),
      onClosed_(std::move(onClosed)) {
  boost::system::error_code ec;
  const auto remote = socket_.remote_endpoint(ec);
  peer_ = ec ? std::string("unknown peer") : remote.address().to_string() + ":" + std::to_string(remote.port());
  socket_.set_option(asio::ip::tcp::no_delay(true), ec);
}

void ChatConnection::start() {
  armIdleTimer();
  read();
}

void ChatConnection::armIdleTimer() {
  idleTimer_.expires_after(idleTime_);
  idleTimer_.async_wait([self = shared_from_this()](const boost::system::error_code& ec) {
    if (ec || self->finished_) return;
    self->log_.write("closing " + self->peer_ + ": idle");
    self->finish();
  });
}

void ChatConnection::read() {
  socket_.async_read_some(asio::buffer(buffer_),
                          [self = shared_from_this()](const boost::system::error_code& ec, std::size_t n) {
                            if (self->finished_ || self->closing_) return;
                            if (ec) {
                              self->finish();
                              return;
                            }
                            self->armIdleTimer();
                            if (!self->protocol_.consume(self, self->buffer_.data(), n)) {
                              self->closeAfterSending();
                              return;
                            }
                            if (!self->closing_) self->read();
                          });
}

void ChatConnection::send(std::vector<std::uint8_t> packet) {
  if (finished_ || closing_) return;
  queuedBytes_ += packet.size();
  if (queuedBytes_ > kMaxQueuedBytes) {
    log_.write("closing " + peer_ + ": not reading its answers");
    finish();
    return;
  }
  queue_.push_back(std::move(packet));
  if (!writing_) write();
}

void ChatConnection::write() {
  if (queue_.empty()) {
    writing_ = false;
    if (closing_) finish();
    return;
  }
  writing_ = true;
  asio::async_write(socket_, asio::buffer(queue_.front()),
                    [self = shared_from_this()](const boost::system::error_code& ec, std::size_t) {
                      if (self->finished_) return;
                      if (ec) {
                        self->finish();
                        return;
                      }
                      self->queuedBytes_ -= self->queue_.front().size();
                      self->queue_.pop_front();
                      self->write();
                    });
}

void ChatConnection::closeAfterSending() {
  if (finished_ || closing_) return;
  closing_ = true;
  // Whoever was signed in here is not any more, even while the last answers
  // are still on their way.
  dispatcher_.connectionClosed(*this);
  if (!writing_) finish();
}

void ChatConnection::abort() {
  finish();
}

void ChatConnection::finish() {
  if (finished_) return;
  // onClosed_ may drop the server's reference to this connection.
  const auto keep = shared_from_this();
  finished_ = true;
  closing_ = true;
  dispatcher_.connectionClosed(*this);
  boost::system::error_code ec;
  idleTimer_.cancel();
  socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
  socket_.close(ec);
  queue_.clear();
  queuedBytes_ = 0;
  if (onClosed_) onClosed_(this);
}

}  // namespace kiv::server
