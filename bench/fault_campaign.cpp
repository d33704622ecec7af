// Faults between two signed-in clients and the chat server, with figures:
//
//   restart  the kiv-server process is killed (SIGKILL) and started again on
//            the same port ten times while 王大力 writes to 刘洋 once a
//            second; prints how long each client took to be signed in again
//            after the server was back, and whether any message was lost or
//            arrived twice.
//   proxy    the same conversation through a TCP proxy that delays every
//            piece, writes one byte at a time, coalesces what it reads, or
//            resets the connections now and then.
//
//   bench_fault_campaign restart|proxy [path/to/kiv-server] [pace=1]
//
// The clients are the program's own connection (NetClient) at the given
// pace; the server is a real kiv-server process with the demo accounts in a
// temporary directory. Exit status 1 when a message was lost or doubled or a
// client did not come back within ten seconds.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "net/FetchMessagesMessages.h"
#include "net/NetClient.h"
#include "net/NetObserver.h"
#include "net/ReceiverRegistry.h"
#include "net/SendMessageMessages.h"
#include "platform/Gbk.h"
#include "platform/TcpSocket.h"

namespace {

using namespace kiv;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double secondsSince(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// ------------------------------------------------------------------ server

// A kiv-server child process on a fixed database; the first start takes a
// free port, every restart the same one.
class ServerProcess {
 public:
  ServerProcess(std::string binary, std::string directory) : binary_(std::move(binary)), dir_(std::move(directory)) {
    const std::string seed = binary_ + " --db " + dir_ + "/server.db seed-demo > /dev/null";
    if (std::system(seed.c_str()) != 0) std::fprintf(stderr, "seed-demo failed\n");
  }
  ~ServerProcess() { kill(); }

  bool start() {
    int out[2];
    if (::pipe(out) != 0) return false;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 2);
      ::close(out[0]);
      ::close(out[1]);
      const std::string db = dir_ + "/server.db";
      const std::string port = std::to_string(port_);
      ::execl(binary_.c_str(), binary_.c_str(), "--db", db.c_str(), "--port", port.c_str(), "--web-port", "0", "serve",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(out[1]);
    // The server says where it serves once it does.
    std::string said;
    const std::regex serving(R"(serving chat on [\d.]+:(\d+))");
    std::smatch found;
    const auto end = Clock::now() + 20s;
    char buffer[512];
    while (Clock::now() < end && !std::regex_search(said, found, serving)) {
      pollfd p{out[0], POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) continue;
      const long n = ::read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      said.append(buffer, static_cast<std::size_t>(n));
    }
    // The rest of its log goes to server.log, kept when a message was lost.
    drain_ = std::thread([fd = out[0], said, path = dir_ + "/server.log"] {
      FILE* log = std::fopen(path.c_str(), "a");
      if (log != nullptr) std::fwrite(said.data(), 1, said.size(), log);
      char sink[512];
      long n;
      while ((n = ::read(fd, sink, sizeof sink)) > 0)
        if (log != nullptr) std::fwrite(sink, 1, static_cast<std::size_t>(n), log);
      if (log != nullptr) std::fclose(log);
      ::close(fd);
    });
    if (found.empty()) return false;
    port_ = static_cast<std::uint16_t>(std::stoi(found[1]));
    return true;
  }

  void kill() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    if (drain_.joinable()) drain_.join();
  }

  std::uint16_t port() const { return port_; }

 private:
  std::string binary_;
  std::string dir_;
  std::uint16_t port_ = 0;
  pid_t pid_ = -1;
  std::thread drain_;
};

// ------------------------------------------------------------------ proxy

struct ProxyMode {
  const char* name;
  int delayMs = 0;        // every piece waits this long before it goes on
  bool byteWise = false;  // one byte per write
  int coalesceMs = 0;     // collect for this long, then write all at once
  double resetEvery = 0;  // reset every connection after this many (paced) seconds
};

// Listens on a free loopback port and relays every connection to the server,
// altered as the mode says.
class Proxy {
 public:
  Proxy(std::uint16_t serverPort, ProxyMode mode, double pace) : serverPort_(serverPort), mode_(mode), pace_(pace) {
    listener_ = TcpSocket::listenOnLoopback(16, port_);
    thread_ = std::thread([this] { acceptLoop(); });
  }
  ~Proxy() {
    quit_ = true;
    thread_.join();
    for (auto& t : pumps_) t.join();
    ::close(listener_);
  }
  std::uint16_t port() const { return port_; }
  int resets() const { return resets_; }
  // Resets happen while this holds: the network is bad for a while, then
  // good again.
  std::atomic<bool> resetting{true};

 private:
  void acceptLoop() {
    while (!quit_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      TcpSocket upstream;
      if (upstream.connect("127.0.0.1", serverPort_, 2000) != 0) {
        ::close(client);
        continue;
      }
      const int server = ::dup(upstream.fd());
      upstream.close();
      auto alive = std::make_shared<std::atomic<bool>>(true);
      pumps_.emplace_back([this, client, server, alive] { pump(client, server, alive); });
      pumps_.emplace_back([this, client, server, alive] { pump(server, client, alive); });
      if (mode_.resetEvery > 0) {
        pumps_.emplace_back([this, client, server, alive] {
          const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(mode_.resetEvery * pace_));
          while (!quit_ && *alive && Clock::now() < end) std::this_thread::sleep_for(20ms);
          if (quit_ || !*alive || !resetting) return;
          // A reset, not a goodbye: both ends see the connection torn.
          const linger hard{1, 0};
          ::setsockopt(client, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
          ::setsockopt(server, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
          ::shutdown(client, SHUT_RDWR);
          ::shutdown(server, SHUT_RDWR);
          ++resets_;
        });
      }
    }
  }

  void write(int to, const std::uint8_t* data, std::size_t size) {
    if (mode_.byteWise) {
      for (std::size_t i = 0; i < size; ++i) {
        if (::send(to, data + i, 1, MSG_NOSIGNAL) != 1) return;
        std::this_thread::sleep_for(200us);
      }
      return;
    }
    std::size_t done = 0;
    while (done < size) {
      const long n = ::send(to, data + done, size - done, MSG_NOSIGNAL);
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

  void pump(int from, int to, std::shared_ptr<std::atomic<bool>> alive) {
    const int one = 1;
    ::setsockopt(to, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::vector<std::uint8_t> held;
    auto heldSince = Clock::now();
    std::uint8_t buffer[16384];
    while (!quit_ && *alive) {
      pollfd p{from, POLLIN, 0};
      const int ready = ::poll(&p, 1, 10);
      if (ready > 0) {
        const long n = ::recv(from, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        if (mode_.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(mode_.delayMs));
        if (mode_.coalesceMs > 0) {
          if (held.empty()) heldSince = Clock::now();
          held.insert(held.end(), buffer, buffer + n);
        } else {
          write(to, buffer, static_cast<std::size_t>(n));
        }
      }
      if (!held.empty() && Clock::now() - heldSince >= std::chrono::milliseconds(mode_.coalesceMs)) {
        write(to, held.data(), held.size());
        held.clear();
      }
    }
    *alive = false;
    ::shutdown(to, SHUT_RDWR);
    ::shutdown(from, SHUT_RDWR);
    ::close(from);
  }

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::uint16_t serverPort_;
  ProxyMode mode_;
  double pace_;
  std::atomic<bool> quit_{false};
  std::atomic<int> resets_{0};
  std::thread thread_;
  std::vector<std::thread> pumps_;  // accept thread only, joined at the end
};

// ------------------------------------------------------------------ clients

// What arrives at 刘洋: every notice asks for the waiting messages; every
// fetched record is counted by the number in its text.
class Inbox : public NetObserver, public ResponseReceiver {
 public:
  explicit Inbox(NetClient& net) : net_(net) {}
  ReceiverHandle handle = 0;

  void onNotice(const MessageNotice& notice) override {
    FetchMessagesRequest fetch;
    fetch.kind = ConversationKind::kPrivate;
    fetch.id = notice.id;
    net_.Enqueue(fetch.build(net_.newKey()), handle);
  }
  void OnServerResponse(const PendingRequest&, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override {
    if (command != FetchMessagesResponse::kCommand) return;
    static const std::regex number(R"(msg(\d+))");
    std::lock_guard lock(mutex_);
    for (const auto& record : FetchMessagesResponse::read(response, size).messages) {
      std::smatch found;
      if (std::regex_search(record.text, found, number)) ++received_[std::stoi(found[1])];
    }
  }
  std::map<int, int> received() {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  NetClient& net_;
  std::mutex mutex_;
  std::map<int, int> received_;
};

// Counts the server's answers to 王大力's messages.
class Outbox : public ResponseReceiver {
 public:
  void OnServerResponse(const PendingRequest&, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override {
    if (command == SendMessageResponse::kCommand && SendMessageResponse::read(response, size).result == 0) ++confirmed;
  }
  std::atomic<int> confirmed{0};
};

struct Conversation {
  Conversation(std::uint16_t port, double pace, const std::string& dir)
      : wang(options(pace, dir + "/wang")), liu(options(pace, dir + "/liu")), inbox(std::make_shared<Inbox>(liu)) {
    inbox->handle = ReceiverRegistry::global().add(inbox);
    outboxHandle = ReceiverRegistry::global().add(outbox);
    liu.setObserver(inbox);
    const auto start = [port](NetClient& net, const char* phone) {
      net.SetServer("127.0.0.1", port);
      net.SetAccount(phone, "123456");
      net.Start();
    };
    start(wang, "13800000003");
    start(liu, "13800000006");
  }
  ~Conversation() {
    wang.Shutdown();
    liu.Shutdown();
  }
  static NetClient::Options options(double pace, const std::string& log) {
    NetClient::Options o;
    o.pauseScale = pace;
    o.logDirectory = log;
    return o;
  }
  bool online() const { return wang.loggedIn() && liu.loggedIn() && !wang.stopped() && !liu.stopped(); }
  void send() {
    SendMessageRequest message;
    message.kind = ConversationKind::kPrivate;
    message.target = 10006;
    message.text = gbk::fromUtf8("消息msg" + std::to_string(++sent));
    const int queued = wang.Enqueue(message.build(wang.newKey()), outboxHandle);
    if (std::getenv("KIV_FAULT_TRACE") != nullptr)
      std::printf("    msg%d queued (%d) at %.2f s; %d pending, online %d\n", sent, queued, secondsSince(born),
                  wang.pendingRequests(), wang.loggedIn() ? 1 : 0);
  }
  Clock::time_point born = Clock::now();
  // Waits until every message sent arrived (or the time is up); prints and
  // judges what arrived.
  bool settle(std::chrono::seconds patience) {
    waitFor([&] { return static_cast<int>(inbox->received().size()) >= sent; }, patience);
    const auto got = inbox->received();
    int lost = 0, doubled = 0;
    for (int n = 1; n <= sent; ++n) {
      const auto it = got.find(n);
      if (it == got.end()) {
        ++lost;
        std::printf("  lost: msg%d\n", n);
      } else if (it->second > 1) {
        ++doubled;
        std::printf("  arrived %d times: msg%d\n", it->second, n);
      }
    }
    std::printf("  %d sent, %d confirmed by the server, %zu arrived; %d lost, %d doubled\n", sent,
                outbox->confirmed.load(), got.size(), lost, doubled);
    return lost == 0 && doubled == 0;
  }

  NetClient wang;
  NetClient liu;
  std::shared_ptr<Inbox> inbox;
  std::shared_ptr<Outbox> outbox = std::make_shared<Outbox>();
  ReceiverHandle outboxHandle = 0;
  int sent = 0;
};

// Sends one message a second (scaled) for `seconds` while checking nothing.
void talk(Conversation& c, double seconds, double pace) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    c.send();
    std::this_thread::sleep_for(std::chrono::duration<double>(std::max(0.05, pace)));
  }
}

// A request whose answer was lost goes out again once the clock has moved on
// by 30 seconds, whatever the pace; two such rounds are waited for.
std::chrono::seconds patience(double pace) {
  return std::chrono::seconds(70 + static_cast<int>(60 * pace));
}

std::string defaultServer(const char* self) {
  std::error_code ignored;
  const auto here = std::filesystem::canonical(std::filesystem::path(self), ignored).parent_path();
  return (here.parent_path() / "server" / "kiv-server").string();
}

int restartCampaign(const std::string& serverBinary, double pace, const std::string& dir) {
  ServerProcess server(serverBinary, dir);
  if (!server.start()) return 2;
  Conversation c(server.port(), pace, dir);
  if (!waitFor([&] { return c.online(); }, 60s)) {
    std::printf("the clients did not sign in\n");
    return 2;
  }
  std::printf("server restarts (pace %.2f): seconds from the server being back to both clients signed in\n", pace);
  std::vector<double> back;
  bool allBack = true;
  for (int round = 1; round <= 10; ++round) {
    talk(c, 8 * pace + 0.5, pace);
    server.kill();
    const auto killed = Clock::now();
    waitFor([&] { return !c.wang.loggedIn() && !c.liu.loggedIn(); }, 30s);
    talk(c, std::max(0.0, 3 * pace - secondsSince(killed)), pace);  // written while the server is away
    if (!server.start()) return 2;
    const auto up = Clock::now();
    const bool ok = waitFor([&] { return c.online(); }, 60s);
    back.push_back(secondsSince(up));
    allBack = allBack && ok && back.back() <= 10.0;
    std::printf("  round %2d: %.2f s%s\n", round, back.back(), ok ? "" : " (not back)");
  }
  std::sort(back.begin(), back.end());
  std::printf("  back after: min %.2f s, median %.2f s, max %.2f s\n", back.front(), back[back.size() / 2],
              back.back());
  const bool delivered = c.settle(patience(pace));
  return delivered && allBack ? 0 : 1;
}

int proxyCampaign(const std::string& serverBinary, double pace, const std::string& dir) {
  ServerProcess server(serverBinary, dir);
  if (!server.start()) return 2;
  const ProxyMode modes[] = {
      {"200 ms latency each way", 200, false, 0, 0},
      {"one byte per write", 0, true, 0, 0},
      {"coalesced every 300 ms", 0, false, 300, 0},
      {"reset every 7 s", 0, false, 0, 7},
  };
  int status = 0;
  for (const ProxyMode& mode : modes) {
    Proxy proxy(server.port(), mode, pace);
    std::printf("through a proxy, %s (pace %.2f):\n", mode.name, pace);
    const auto began = Clock::now();
    {
      Conversation c(proxy.port(), pace, dir + "/" + std::to_string(proxy.port()));
      if (!waitFor([&] { return c.online(); }, 60s)) {
        std::printf("  the clients did not sign in\n");
        status = 1;
        continue;
      }
      std::printf("  signed in after %.2f s\n", secondsSince(began));
      talk(c, 30 * pace, pace);
      proxy.resetting = false;
      if (!c.settle(patience(pace))) status = 1;
      if (mode.resetEvery > 0) std::printf("  %d connections reset\n", proxy.resets());
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  const std::string what = argc > 1 ? argv[1] : "";
  const std::string serverBinary = argc > 2 ? argv[2] : defaultServer(argv[0]);
  const double pace = argc > 3 ? std::atof(argv[3]) : 1.0;
  if ((what != "restart" && what != "proxy") || pace <= 0) {
    std::fprintf(stderr, "usage: bench_fault_campaign restart|proxy [path/to/kiv-server] [pace=1]\n");
    return 2;
  }
  char pattern[] = "/tmp/kiv-faults-XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  if (dir == nullptr) return 2;
  const int status = what == "restart" ? restartCampaign(serverBinary, pace, dir) : proxyCampaign(serverBinary, pace, dir);
  if (status == 0) {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  } else {
    std::printf("logs kept in %s\n", dir);
  }
  return status;
}
