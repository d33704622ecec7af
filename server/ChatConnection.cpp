#include "server/ChatConnection.h"

namespace kiv::server {

namespace asio = boost::asio;

ChatConnection::ChatConnection(asio::ip::tcp::socket socket, RequestDispatcher& dispatcher, ServerLog& log,
                               ChatTimes times, std::shared_ptr<void> ticket,
                               std::function<void(ChatConnection*)> onClosed)
    : socket_(std::move(socket)),
      deadline_(socket_.get_executor()),
      hold_(socket_.get_executor()),
      times_(times),
      dispatcher_(dispatcher),
      log_(log),
      protocol_(dispatcher, log),
      ticket_(std::move(ticket)),
      onClosed_(std::move(onClosed)) {
  boost::system::error_code ec;
  const auto remote = socket_.remote_endpoint(ec);
  peer_ = ec ? std::string("unknown peer") : remote.address().to_string() + ":" + std::to_string(remote.port());
  socket_.set_option(asio::ip::tcp::no_delay(true), ec);
}

void ChatConnection::start(const std::string& early) {
  const auto now = Clock::now();
  signInBy_ = now + times_.signIn;
  lastHeard_ = now;
  armDeadline();
  if (early.empty() || early.size() > buffer_.size()) {
    read();
    return;
  }
  std::copy(early.begin(), early.end(), buffer_.begin());
  received(early.size());
}

ChatConnection::Clock::time_point ChatConnection::nextDeadline(const char** why) const {
  auto earliest = lastHeard_ + times_.idle;
  *why = "idle";
  if (userId() == 0 && !holding_ && signInBy_ < earliest) {
    earliest = signInBy_;
    *why = "not signed in in time";
  }
  if (protocol_.partial() && packetStarted_ + times_.packet < earliest) {
    earliest = packetStarted_ + times_.packet;
    *why = "packet not finished in time";
  }
  return earliest;
}

void ChatConnection::armDeadline() {
  const char* why = nullptr;
  const auto at = nextDeadline(&why);
  if (at >= armedFor_) return;  // it fires earlier and looks again
  armedFor_ = at;
  deadline_.expires_at(at);
  deadline_.async_wait([self = shared_from_this()](const boost::system::error_code& ec) {
    if (ec || self->finished_) return;
    self->armedFor_ = Clock::time_point::max();
    self->deadlinePassed();
  });
}

void ChatConnection::deadlinePassed() {
  const char* why = nullptr;
  if (nextDeadline(&why) <= Clock::now()) {
    log_.write("closing " + peer_ + ": " + why);
    finish();
    return;
  }
  armDeadline();
}

void ChatConnection::read() {
  reading_ = true;
  socket_.async_read_some(asio::buffer(buffer_),
                          [self = shared_from_this()](const boost::system::error_code& ec, std::size_t n) {
                            self->reading_ = false;
                            if (self->finished_) return;
                            if (self->lingering_) {
                              if (ec)
                                self->finish();
                              else
                                self->read();
                              return;
                            }
                            if (self->closing_) return;
                            if (ec) {
                              self->finish();
                              return;
                            }
                            self->received(n);
                          });
}

void ChatConnection::received(std::size_t n) {
  const bool wasPartial = protocol_.partial();
  lastHeard_ = Clock::now();
  const auto outcome = protocol_.consume(shared_from_this(), buffer_.data(), n);
  if (!wasPartial) packetStarted_ = lastHeard_;
  handle(outcome);
}

void ChatConnection::handle(ChatProtocol::Outcome outcome) {
  if (finished_) return;
  if (userId() != 0) {
    signedIn_ = true;
  } else if (signedIn_) {
    // Signed out but still connected: the time to sign in starts again.
    signedIn_ = false;
    signInBy_ = Clock::now() + times_.signIn;
  }
  switch (outcome.step) {
    case ChatProtocol::Step::kClose:
      closeAfterSending();
      return;
    case ChatProtocol::Step::kHold:
      // The sign-in deadline does not run while the server makes it wait.
      holding_ = true;
      signInBy_ += outcome.hold;
      hold_.expires_after(outcome.hold);
      hold_.async_wait([self = shared_from_this()](const boost::system::error_code& ec) {
        if (ec || self->finished_ || self->closing_) return;
        self->holding_ = false;
        self->packetStarted_ = Clock::now();
        self->handle(self->protocol_.resume(self));
      });
      return;
    case ChatProtocol::Step::kMore:
      if (closing_) return;
      armDeadline();
      read();
      return;
  }
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
    if (closing_) linger();
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
  if (!writing_) linger();
}

void ChatConnection::linger() {
  if (finished_ || lingering_) return;
  // The client may be writing a request at this very moment (a poll, say).
  // Closing now would answer it with a reset, and a reset makes the client's
  // system throw away what it has not read yet: the last answer, such as the
  // logout that tells it it signed in elsewhere. So the server only stops
  // writing, reads and forgets what still comes, and closes once the client
  // does, or after a short while.
  lingering_ = true;
  boost::system::error_code ec;
  socket_.shutdown(asio::ip::tcp::socket::shutdown_send, ec);
  if (ec) {
    finish();
    return;
  }
  hold_.cancel();
  hold_.expires_after(kLinger);
  hold_.async_wait([self = shared_from_this()](const boost::system::error_code& waited) {
    if (!waited) self->finish();
  });
  if (!reading_) read();
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
  deadline_.cancel();
  hold_.cancel();
  socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
  socket_.close(ec);
  queue_.clear();
  queuedBytes_ = 0;
  ticket_.reset();
  if (onClosed_) onClosed_(this);
}

}  // namespace kiv::server
