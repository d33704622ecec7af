#include "support/session/DemoServer.h"

#include <gtest/gtest.h>

#include "server/ChatServer.h"

namespace kiv::test {

DemoServer::DemoServer(bool seedDemo) {
  std::string error;
  store_ = server::Store::open(dir_.file("server.db"), &error);
  if (!store_) {
    ADD_FAILURE() << "server database: " << error;
    return;
  }
  if (seedDemo) EXPECT_EQ(admin().run("seed-demo", {}), 0) << adminErr_.str();
  start();
}

DemoServer::~DemoServer() {
  stop();
}

bool DemoServer::start() {
  if (server_) return true;
  server::ServerOptions options;
  options.databasePath = dir_.file("server.db");
  options.chatPort = chatPort_;
  options.webPort = webPort_;
  options.echoLog = false;
  auto server = std::make_unique<server::ChatServer>(options);
  std::string error;
  if (!server->start(&error)) {
    ADD_FAILURE() << "kiv-server: " << error;
    return false;
  }
  chatPort_ = server->chatPort();
  webPort_ = server->webPort();
  server_ = std::move(server);
  return true;
}

void DemoServer::stop() {
  if (!server_) return;
  server_->stop();
  server_.reset();
}

server::ServerLog& DemoServer::log() {
  return server_->log();
}

std::size_t DemoServer::connectionCount() const {
  return server_ ? server_->connectionCount() : 0;
}

std::uint16_t DemoServer::chatPort() const {
  return chatPort_;
}

std::uint16_t DemoServer::webPort() const {
  return webPort_;
}

std::string DemoServer::demoPhone(std::uint32_t userId) {
  if (userId == 1000) return "10000000000";
  return "1380000000" + std::to_string(userId - 10000);
}

}  // namespace kiv::test
