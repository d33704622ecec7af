#include "server/Listener.h"

#include "server/ProxyHandshake.h"

namespace kiv::server {

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

constexpr std::chrono::milliseconds kFirstPause{10};
constexpr std::chrono::milliseconds kLongestPause{1000};
// Refused connections are logged at most this often, with their number.
constexpr std::chrono::seconds kRefusalLogEvery{10};

std::string nameOf(const tcp::endpoint& endpoint) {
  return endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
}

}  // namespace

Listener::Listener(asio::io_context& io, std::unique_ptr<tcp::acceptor> acceptor, ConnectionCaps caps, ServerLog& log,
                   std::string what, Admit admit, TrustedNetworks balancers, Millis headerTime)
    : acceptor_(std::move(acceptor)),
      pause_(io),
      counts_(std::make_shared<ConnectionCounts>(caps)),
      log_(log),
      what_(std::move(what)),
      admit_(std::move(admit)),
      balancers_(std::move(balancers)),
      headerTime_(headerTime) {
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
    const std::string key = peerError ? std::string("unknown") : peerKey(remote.address());
    // A balancer passes on the connections of many clients at once (all of
    // them when a process comes back): until its header names the client,
    // a connection counts as the balancer's, in the total only.
    const bool balancer = !peerError && balancers_.contains(remote.address());
    auto ticket = peerError ? nullptr : counts_->admit(key, !balancer);
    if (!ticket) {
      refused(key);
      boost::system::error_code ignored;
      socket.close(ignored);
    } else if (balancer) {
      readProxyHeader(std::move(socket), remote, std::move(ticket));
    } else {
      admit_(std::move(socket), Peer{key, nameOf(remote), {}}, std::move(ticket));
    }
    accept();
  });
}

void Listener::readProxyHeader(tcp::socket socket, const tcp::endpoint& balancer, std::shared_ptr<void> ticket) {
  auto done = [this, balancer, ticket](tcp::socket socket, std::optional<tcp::endpoint> client,
                                       std::string early) mutable {
    if (closed_) return;
    const tcp::endpoint from = client.value_or(balancer);
    const std::string key = peerKey(from.address());
    ticket.reset();
    auto place = counts_->admit(key, client.has_value());
    if (!place) {
      refused(key);
      boost::system::error_code ignored;
      socket.close(ignored);
      return;
    }
    std::string name = nameOf(from);
    if (client) name += " via " + balancer.address().to_string();
    admit_(std::move(socket), Peer{key, std::move(name), std::move(early)}, std::move(place));
  };
  auto failed = [this, balancer](const std::string& why) {
    if (!why.empty() && !closed_) log_.write(what_ + " port: closing " + nameOf(balancer) + ": " + why);
  };
  std::make_shared<ProxyHandshake>(std::move(socket), headerTime_, std::move(done), std::move(failed))->start();
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
