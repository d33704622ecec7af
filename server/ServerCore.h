#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <atomic>
#include <boost/asio.hpp>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "platform/Clock.h"
#include "server/Listener.h"
#include "server/CounterStore.h"
#include "server/SendQuota.h"
#include "server/ServerLog.h"
#include "server/ServerOptions.h"
#include "server/SessionRegistry.h"
#include "server/SignInThrottle.h"

namespace kiv::server {

class AvatarWebHandler;
class ChatConnection;
class HttpSession;
class RequestDispatcher;
class SharedPresence;
class Store;
struct ServerContext;

// What ChatServer runs: both ports, their threads and io contexts, the
// database connections and the shared throttle and quotas. Kept apart so
// that the many files that start a server (tests, tools) need not compile
// Asio: only this one and the network code do.
class ServerCore {
 public:
  explicit ServerCore(ServerOptions options, const Clock& clock = SystemClock::instance());
  ~ServerCore();
  ServerCore(const ServerCore&) = delete;
  ServerCore& operator=(const ServerCore&) = delete;

  // Opens the database, binds both ports and starts serving. False, with a
  // message in `error`, when the database cannot be opened or a port cannot
  // be bound; nothing keeps running then.
  bool start(std::string* error);
  // Closes every connection and both ports and ends the threads. Idempotent.
  void stop();

  std::uint16_t chatPort() const { return chatPort_; }
  std::uint16_t webPort() const { return webPort_; }
  ServerLog& log() { return log_; }
  // Accounts signed in right now.
  std::size_t signedInCount() const { return sessions_.count(); }
  // Open chat connections.
  std::size_t connectionCount() const { return connectionCount_.load(); }
  // Open web connections.
  std::size_t webConnectionCount() const { return webListener_ ? webListener_->open() : 0; }

 private:
  void admitChat(boost::asio::ip::tcp::socket socket, const Listener::Peer& peer, std::shared_ptr<void> ticket);
  // Once a second: accounts cancelled by an admin command are signed out.
  void checkAccounts();
  void raiseDescriptorLimit();

  ServerOptions options_;
  const Clock& clock_;
  ServerLog log_;
  SessionRegistry sessions_;
  std::unique_ptr<SharedPresence> presence_;  // several processes on PostgreSQL
  // In memory for one process on SQLite; in PostgreSQL, shared by all.
  std::unique_ptr<CounterStore> counters_;
  SignInThrottle throttle_;
  SendQuota quota_;

  boost::asio::io_context chatIo_;
  boost::asio::io_context webIo_;
  std::unique_ptr<Listener> chatListener_;
  std::unique_ptr<Listener> webListener_;
  boost::asio::steady_timer accountCheck_{chatIo_};
  std::int64_t dataVersion_ = 0;
  std::unique_ptr<Store> chatStore_;
  std::unique_ptr<Store> webStore_;
  std::unique_ptr<ServerContext> context_;
  std::unique_ptr<RequestDispatcher> dispatcher_;
  std::unique_ptr<AvatarWebHandler> webHandler_;
  std::map<ChatConnection*, std::shared_ptr<ChatConnection>> connections_;  // chat thread only
  std::atomic<std::size_t> connectionCount_{0};
  std::thread chatThread_;
  std::thread webThread_;
  std::uint16_t chatPort_ = 0;
  std::uint16_t webPort_ = 0;
  std::atomic<bool> running_{false};
};

}  // namespace kiv::server
