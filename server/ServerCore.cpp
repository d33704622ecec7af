#include "server/ServerCore.h"

#include <sys/resource.h>

#include "server/AvatarWebHandler.h"
#include "server/ChatConnection.h"
#include "server/DatabaseCounterStore.h"
#include "server/HttpSession.h"
#include "server/MemoryCounterStore.h"
#include "server/RequestDispatcher.h"
#include "server/ServerContext.h"
#include "server/SharedPresence.h"
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

ServerCore::ServerCore(ServerOptions options, const Clock& clock)
    : options_(std::move(options)),
      clock_(clock),
      log_(options_.echoLog, options_.logLineBytes),
      counters_(Database::isPostgresUrl(options_.databasePath)
                    ? std::unique_ptr<CounterStore>(std::make_unique<DatabaseCounterStore>())
                    : std::make_unique<MemoryCounterStore>()),
      throttle_(*counters_, options_.signIn),
      quota_(*counters_, options_.quotas) {}

ServerCore::~ServerCore() {
  stop();
}

void ServerCore::raiseDescriptorLimit() {
  // Every connection holds a descriptor: take what the system allows.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) != 0) return;
  if (files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    getrlimit(RLIMIT_NOFILE, &files);
  }
  const auto wanted = options_.chatCaps.total + (options_.webEnabled ? options_.webCaps.total : 0) + 64;
  if (files.rlim_cur < wanted) {
    log_.write("descriptor limit " + std::to_string(files.rlim_cur) + " is below the connection caps (" +
               std::to_string(wanted) + " with the files): raise it (LimitNOFILE=) or lower --max-connections");
  }
}

bool ServerCore::start(std::string* error) {
  if (running_) return true;
  if (!options_.logPath.empty() && !log_.openFile(options_.logPath, error)) return false;
  raiseDescriptorLimit();
  chatStore_ = Store::open(options_.databasePath, error);
  if (!chatStore_) return false;
  if (auto* shared = dynamic_cast<DatabaseCounterStore*>(counters_.get())) {
    if (!shared->open(options_.databasePath, error)) return false;
    presence_ = std::make_unique<SharedPresence>(options_.databasePath, [this](std::uint32_t userId) {
      asio::post(chatIo_, [this, userId] {
        if (running_) dispatcher_->signedInElsewhere(userId);
      });
    });
    if (!presence_->start(error)) return false;
    sessions_.setShared(presence_.get());
  }
  if (options_.webEnabled) {
    webStore_ = Store::open(options_.databasePath, error);
    if (!webStore_) return false;
  }
  auto chatAcceptor = listenOn(chatIo_, options_.bindAddress, options_.chatPort, "chat", error);
  if (!chatAcceptor) return false;
  std::unique_ptr<tcp::acceptor> webAcceptor;
  if (options_.webEnabled) {
    webAcceptor = listenOn(webIo_, options_.bindAddress, options_.webPort, "web", error);
    if (!webAcceptor) return false;
  }

  context_ = std::make_unique<ServerContext>(ServerContext{*chatStore_, sessions_, log_, clock_, throttle_, quota_,
                                                           options_.quotas, options_.refuseSecondLogin});
  dispatcher_ = std::make_unique<RequestDispatcher>(*context_);
  chatListener_ = std::make_unique<Listener>(
      chatIo_, std::move(chatAcceptor), options_.chatCaps, log_, "chat",
      [this](tcp::socket socket, const Listener::Peer& peer, std::shared_ptr<void> ticket) {
        admitChat(std::move(socket), peer, std::move(ticket));
      },
      options_.balancers, options_.chatTimes.packet);
  chatPort_ = chatListener_->port();
  if (webAcceptor) {
    webHandler_ = std::make_unique<AvatarWebHandler>(*webStore_, log_, throttle_, options_.web);
    webListener_ = std::make_unique<Listener>(
        webIo_, std::move(webAcceptor), options_.webCaps, log_, "web",
        [this](tcp::socket socket, const Listener::Peer& peer, std::shared_ptr<void> ticket) {
          std::make_shared<HttpSession>(std::move(socket), *webHandler_, options_.web, peer.key, std::move(ticket),
                                        peer.early)
              ->start();
        },
        options_.balancers, options_.web.header);
    webPort_ = webListener_->port();
  }

  running_ = true;
  chatIo_.restart();
  webIo_.restart();
  chatListener_->start();
  dataVersion_ = chatStore_->dataVersion();
  checkAccounts();
  chatThread_ = std::thread([this] { chatIo_.run(); });
  if (webListener_) {
    webListener_->start();
    webThread_ = std::thread([this] { webIo_.run(); });
  }
  log_.write("serving chat on " + options_.bindAddress + ":" + std::to_string(chatPort_) +
             (webListener_ ? ", web on " + options_.bindAddress + ":" + std::to_string(webPort_) : std::string()) +
             ", database " + Database::describe(options_.databasePath));
  return true;
}

void ServerCore::admitChat(tcp::socket socket, const Listener::Peer& peer, std::shared_ptr<void> ticket) {
  if (!running_) return;
  auto connection = std::make_shared<ChatConnection>(std::move(socket), *dispatcher_, log_, options_.chatTimes,
                                                     std::move(ticket), [this](ChatConnection* closed) {
                                                       connections_.erase(closed);
                                                       connectionCount_ = connections_.size();
                                                     });
  connection->setPeerKey(peer.key);
  connection->setPeerName(peer.name);
  connections_.emplace(connection.get(), connection);
  connectionCount_ = connections_.size();
  connection->start(peer.early);
}

void ServerCore::checkAccounts() {
  accountCheck_.expires_after(std::chrono::seconds(1));
  accountCheck_.async_wait([this](const boost::system::error_code& ec) {
    if (ec || !running_) return;
    // Only another connection (an admin command) cancels accounts, and it
    // changes the file's version when it does.
    const auto version = chatStore_->dataVersion();
    if (version != dataVersion_) {
      dataVersion_ = version;
      for (const auto userId : chatStore_->accounts().cancelled()) {
        if (auto link = sessions_.find(userId)) dispatcher_->signOutCancelled(*link);
      }
    }
    checkAccounts();
  });
}

void ServerCore::stop() {
  if (!running_) return;
  // Close everything on the threads that own it, then let the threads end.
  asio::post(chatIo_, [this] {
    running_ = false;
    chatListener_->close();
    accountCheck_.cancel();
    auto open = connections_;
    for (auto& [raw, connection] : open) connection->abort();
    connections_.clear();
    connectionCount_ = 0;
    chatIo_.stop();
  });
  if (chatThread_.joinable()) chatThread_.join();
  if (webListener_) {
    asio::post(webIo_, [this] {
      webListener_->close();
      webIo_.stop();
    });
  }
  if (webThread_.joinable()) webThread_.join();
  if (presence_) presence_->stop();
  running_ = false;
  log_.write("stopped");
}

}  // namespace kiv::server
