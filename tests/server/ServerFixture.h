#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "net/FetchMessagesMessages.h"
#include "net/SendMessageMessages.h"
#include "server/AdminCommands.h"
#include "server/ChatServer.h"
#include "server/RawClient.h"
#include "server/Store.h"
#include "server/TestDatabase.h"
#include "support/TempDir.h"

namespace kiv::test {

// An in-process server on free ports with a fresh database (see testDatabase). Accounts are
// added through the admin commands (as an operator would) before or while it
// runs; every account's password is "pw".
class ServerFixture : public ::testing::Test {
 protected:
  void SetUp() override { startServer(false); }
  void TearDown() override {
    if (server_) server_->stop();
  }

  // `tune` changes the limits of the server started next.
  void startServer(bool refuseSecondLogin, const std::function<void(kiv::server::ServerOptions&)>& tune = {}) {
    if (server_) server_->stop();
    kiv::server::ServerOptions options;
    options.databasePath = testDatabase(dir_, "server.db");
    options.chatPort = 0;
    options.webPort = 0;
    options.echoLog = false;
    options.refuseSecondLogin = refuseSecondLogin;
    if (tune) tune(options);
    server_ = std::make_unique<kiv::server::ChatServer>(options);
    std::string error;
    ASSERT_TRUE(server_->start(&error)) << error;
    if (!store_) store_ = kiv::server::Store::open(options.databasePath, &error);
    ASSERT_TRUE(store_) << error;
  }

  kiv::server::AdminCommands admin() { return kiv::server::AdminCommands(*store_, adminOut_, adminErr_); }

  // A new account "1380000NNNN" with the given UTF-8 nickname.
  std::uint32_t addUser(const std::string& nickname) {
    const std::string phone = "1390000" + std::to_string(1000 + nextPhone_++);
    const auto id = admin().addUser(phone, "pw", nickname);
    phones_[id] = phone;
    return id;
  }
  const std::string& phoneOf(std::uint32_t id) { return phones_[id]; }

  // A client signed in as `id`.
  std::unique_ptr<RawClient> signIn(std::uint32_t id) {
    auto client = std::make_unique<RawClient>(server_->chatPort());
    EXPECT_EQ(client->login(phoneOf(id), "pw"), 0);
    return client;
  }

  // A chat message from `client`; the answer.
  static SendMessageResponse send(RawClient& client, ConversationKind kind, std::uint32_t target,
                                  const std::string& gbkText) {
    SendMessageRequest request;
    request.kind = kind;
    request.target = target;
    request.text = gbkText;
    return client.ask<SendMessageResponse>(request);
  }

  // The waiting records of one conversation, fetched by `client`.
  static std::vector<MessageRecord> fetch(RawClient& client, ConversationKind kind, std::uint32_t id) {
    FetchMessagesRequest request;
    request.kind = kind;
    request.id = id;
    return client.ask<FetchMessagesResponse>(request).messages;
  }

  TempDir dir_;
  std::unique_ptr<kiv::server::ChatServer> server_;
  std::unique_ptr<kiv::server::Store> store_;
  std::ostringstream adminOut_;
  std::ostringstream adminErr_;
  std::map<std::uint32_t, std::string> phones_;
  int nextPhone_ = 0;
};

}  // namespace kiv::test
