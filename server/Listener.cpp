#include "server/Listener.h"

namespace kiv::server {

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

constexpr std::chrono::milliseconds kFirstPause{10};
constexpr std::chrono::milliseconds kLongestPause{1000};
// Refused connections are logged at most this often, with their number.
constexpr std::chrono::seconds kRefusalLogEvery{10};

}  // namespace

Listener::Listener(asio::io_context& io, std::unique_ptr<tcp::acceptor> acceptor, ConnectionCaps caps, ServerLog& log,
                   std::string what, Admit admit)
    : acceptor_(std::move(acceptor)),
      pause_(io),
      counts_(std::make_shared<ConnectionCounts>(caps)),
      log_(log),
      what_(std::move(what)),
      admit_(std::move(admit)) {
  boost::system::error_code ec;
  port_ = acceptor_->local_endpoint(ec).port();
}

void Listener::start() {
  accept();
}

void Listener::close() {
  closed_ = true;
  boost::system::error_code ec;
  acceptor_->close(ec);
  pause_.cancel();
}

void Listener::accept() {
  acceptor_->async_accept([this](const boost::system::error_code& ec, tcp::socket socket) {
    if (closed_) return;
    if (ec) {
      // EMFILE, ENFILE, ENOBUFS and the like last until connections close:
      // wait instead of failing again at once.
      backOff_ = backOff_.count() == 0 ? kFirstPause : std::min(backOff_ * 2, kLongestPause);
      if (backOff_ == kFirstPause) log_.write(what_ + " port: accept failed (" + ec.message() + "), pausing");
      pause_.expires_after(backOff_);
      pause_.async_wait([this](const boost::system::error_code& waitError) {
        if (!waitError && !closed_) accept();
      });
      return;
    }
    backOff_ = std::chrono::milliseconds(0);
    boost::system::error_code peerError;
    const auto remote = socket.remote_endpoint(peerError);
    const std::string peer = peerError ? std::string("unknown") : peerKey(remote.address());
    auto ticket = peerError ? nullptr : counts_->admit(peer);
    if (!ticket) {
      refused(peer);
      boost::system::error_code ignored;
      socket.close(ignored);
    } else {
      admit_(std::move(socket), peer, std::move(ticket));
    }
    accept();
  });
}

void Listener::refused(const std::string& peer) {
  ++refusedUnlogged_;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastRefusalLogged_ < kRefusalLogEvery) return;
  log_.write(what_ + " port: refused " + std::to_string(refusedUnlogged_) + " connection(s), the last from " + peer +
             " (at most " + std::to_string(counts_->caps().total) + " in all, " +
             std::to_string(counts_->caps().perAddress) + " per address)");
  lastRefusalLogged_ = now;
  refusedUnlogged_ = 0;
}

}  // namespace kiv::server
