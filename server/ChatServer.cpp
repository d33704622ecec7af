#include "server/ChatServer.h"

#include "server/AvatarWebHandler.h"
#include "server/ChatConnection.h"
#include "server/HttpSession.h"
#include "server/RequestDispatcher.h"
#include "server/ServerContext.h"
#include "server/Store.h"

namespace kiv::server {

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

// Binds and listens; nullptr and a message when the port cannot be had.
std::unique_ptr<tcp::acceptor> listenOn(asio::io_context& io, const std::string& address, std::uint16_t port,
                                        const char* what, std::string* error) {
  boost::system::error_code ec;
  const auto ip = asio::ip::make_address(address, ec);
  if (ec) {
    if (error) *error = std::string("bad bind address ") + address + ": " + ec.message();
    return nullptr;
  }
  auto acceptor = std::make_unique<tcp::acceptor>(io);
  const tcp::endpoint endpoint(ip, port);
  acceptor->open(endpoint.protocol(), ec);
  if (!ec) acceptor->set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) acceptor->bind(endpoint, ec);
  if (!ec) acceptor->listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    if (error) {
      *error = std::string("cannot listen on the ") + what + " port " + address + ":" + std::to_string(port) + ": " +
               ec.message();
    }
    return nullptr;
  }
  return acceptor;
}

}  // namespace

ChatServer::ChatServer(ServerOptions options, const Clock& clock)
    : options_(std::move(options)), clock_(clock), log_(options_.echoLog) {}

ChatServer::~ChatServer() {
  stop();
}

bool ChatServer::start(std::string* error) {
  if (running_) return true;
  chatStore_ = Store::open(options_.databasePath, error);
  if (!chatStore_) return false;
  if (options_.webEnabled) {
    webStore_ = Store::open(options_.databasePath, error);
    if (!webStore_) return false;
  }
  chatAcceptor_ = listenOn(chatIo_, options_.bindAddress, options_.chatPort, "chat", error);
  if (!chatAcceptor_) return false;
  if (options_.webEnabled) {
    webAcceptor_ = listenOn(webIo_, options_.bindAddress, options_.webPort, "web", error);
    if (!webAcceptor_) {
      chatAcceptor_.reset();
      return false;
    }
    webPort_ = webAcceptor_->local_endpoint().port();
  }
  chatPort_ = chatAcceptor_->local_endpoint().port();

  context_ =
      std::make_unique<ServerContext>(ServerContext{*chatStore_, sessions_, log_, clock_, options_.refuseSecondLogin});
  dispatcher_ = std::make_unique<RequestDispatcher>(*context_);
  if (webStore_) webHandler_ = std::make_unique<AvatarWebHandler>(*webStore_, log_);

  running_ = true;
  chatIo_.restart();
  webIo_.restart();
  acceptChat();
  chatThread_ = std::thread([this] { chatIo_.run(); });
  if (webAcceptor_) {
    acceptWeb();
    webThread_ = std::thread([this] { webIo_.run(); });
  }
  log_.write("serving chat on " + options_.bindAddress + ":" + std::to_string(chatPort_) +
             (webAcceptor_ ? ", web on " + options_.bindAddress + ":" + std::to_string(webPort_) : std::string()) +
             ", database " + options_.databasePath);
  return true;
}

void ChatServer::acceptChat() {
  chatAcceptor_->async_accept([this](const boost::system::error_code& ec, tcp::socket socket) {
    if (!running_ || !chatAcceptor_->is_open()) return;
    if (!ec) {
      auto connection =
          std::make_shared<ChatConnection>(std::move(socket), *dispatcher_, log_,
                                           std::chrono::seconds(options_.idleSeconds), [this](ChatConnection* closed) {
                                             connections_.erase(closed);
                                             connectionCount_ = connections_.size();
                                           });
      connections_.emplace(connection.get(), connection);
      connectionCount_ = connections_.size();
      connection->start();
    }
    acceptChat();
  });
}

void ChatServer::acceptWeb() {
  webAcceptor_->async_accept([this](const boost::system::error_code& ec, tcp::socket socket) {
    if (!running_ || !webAcceptor_->is_open()) return;
    if (!ec) std::make_shared<HttpSession>(std::move(socket), *webHandler_)->start();
    acceptWeb();
  });
}

void ChatServer::stop() {
  if (!running_) return;
  // Close everything on the threads that own it, then let the threads end.
  asio::post(chatIo_, [this] {
    running_ = false;
    boost::system::error_code ec;
    chatAcceptor_->close(ec);
    auto open = connections_;
    for (auto& [raw, connection] : open) connection->abort();
    connections_.clear();
    connectionCount_ = 0;
    chatIo_.stop();
  });
  if (chatThread_.joinable()) chatThread_.join();
  if (webAcceptor_) {
    asio::post(webIo_, [this] {
      boost::system::error_code ec;
      webAcceptor_->close(ec);
      webIo_.stop();
    });
  }
  if (webThread_.joinable()) webThread_.join();
  running_ = false;
  log_.write("stopped");
}

}  // namespace kiv::server
