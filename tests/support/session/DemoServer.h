#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "server/AdminCommands.h"
#include "server/ServerLog.h"
#include "server/Store.h"
#include "support/TempDir.h"

namespace kiv::server {
class ChatServer;
}

namespace kiv::test {

// An in-process kiv-server on free ports, seeded with the demo accounts of
// `kiv-server seed-demo` (every password "123456"; 张小明 13800000001 is
// 10001, ..., 刘洋 13800000006 is 10006; groups 20001 木棉同学会 and 20002
// 周末羽毛球), its avatar web port included. Admin commands change the
// database while it runs, as an operator would.
class DemoServer {
 public:
  static constexpr const char* kPassword = "123456";

  explicit DemoServer(bool seedDemo = true);
  ~DemoServer();
  DemoServer(const DemoServer&) = delete;
  DemoServer& operator=(const DemoServer&) = delete;

  bool running() const { return server_ != nullptr; }
  std::uint16_t chatPort() const;
  std::uint16_t webPort() const;
  // Stops serving (every connection closes); start() serves the same
  // database again on the same ports when they are still free.
  void stop();
  bool start();

  // The server itself for the few tests that reach inside; everything else
  // keeps the networking headers out of the window tests (they cost more to
  // compile than the tests themselves).
  server::ChatServer& server() { return *server_; }
  server::ServerLog& log();
  std::size_t connectionCount() const;
  server::Store& store() { return *store_; }
  server::AdminCommands admin() { return server::AdminCommands(*store_, adminOut_, adminErr_); }
  // The phone of a demo UserId (10001..10006, 1000).
  static std::string demoPhone(std::uint32_t userId);
  const TempDir& directory() const { return dir_; }

 private:
  TempDir dir_{"kiv-demo-server"};
  std::unique_ptr<server::Store> store_;
  std::unique_ptr<server::ChatServer> server_;
  std::uint16_t chatPort_ = 0;
  std::uint16_t webPort_ = 0;
  std::ostringstream adminOut_;
  std::ostringstream adminErr_;
};

}  // namespace kiv::test
