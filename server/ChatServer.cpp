#include "server/ChatServer.h"

#include "server/ServerCore.h"

namespace kiv::server {

ChatServer::ChatServer(ServerOptions options, const Clock& clock)
    : core_(std::make_unique<ServerCore>(std::move(options), clock)) {}

ChatServer::~ChatServer() = default;

bool ChatServer::start(std::string* error) {
  return core_->start(error);
}

void ChatServer::stop() {
  core_->stop();
}

std::uint16_t ChatServer::chatPort() const {
  return core_->chatPort();
}

std::uint16_t ChatServer::webPort() const {
  return core_->webPort();
}

ServerLog& ChatServer::log() {
  return core_->log();
}

std::size_t ChatServer::signedInCount() const {
  return core_->signedInCount();
}

std::size_t ChatServer::connectionCount() const {
  return core_->connectionCount();
}

std::size_t ChatServer::webConnectionCount() const {
  return core_->webConnectionCount();
}

}  // namespace kiv::server
