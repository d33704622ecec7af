// Load generator for kiv-server: many simulated clients in one process, each
// signing in and then keeping the protocol's pace (a notice poll every 10 s,
// group and friend lists every 120 s), a share of them sending a message every
// 10 s and fetching what the polls announce. Prints, for growing client
// counts, the clients connected, requests per second and the p50/p99 answer
// time, and stops at the first count whose p99 reaches 50 ms.
//
// bench_server_load [--max-clients N] [--step-seconds S] [--senders PERCENT]
// Starts its own server on 127.0.0.1 with a fresh database in /tmp; talks to
// nothing else. Bounded: at most --max-clients clients, each step a fixed time.
#include <sys/resource.h>

#include <utility>  // before Asio: Boost 1.74 uses std::exchange without it

#include <algorithm>
#include <array>
#include <boost/asio.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "net/FetchMessagesMessages.h"
#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "net/LoginMessages.h"
#include "net/NoticePollMessages.h"
#include "net/SendMessageMessages.h"
#include "net/StreamFramer.h"
#include "platform/Clock.h"
#include "server/ChatServer.h"
#include "server/Store.h"

namespace {

namespace asio = boost::asio;
using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

struct Stats {
  std::vector<double> latenciesMs;
  std::size_t answers = 0;
  std::size_t failures = 0;
};

class SimClient : public std::enable_shared_from_this<SimClient> {
 public:
  SimClient(asio::io_context& io, Stats& stats, std::string phone, std::uint32_t target, bool sender, std::mt19937& rng)
      : socket_(io), timer_(io), stats_(stats), phone_(std::move(phone)), target_(target), sender_(sender) {
    phase_ = std::chrono::milliseconds(rng() % 10000);
  }

  void start(std::uint16_t port) {
    socket_.async_connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port),
                          [self = shared_from_this()](const boost::system::error_code& ec) {
                            if (ec) {
                              ++self->stats_.failures;
                              return;
                            }
                            self->read();
                            self->request(kiv::LoginRequest{self->phone_, "pw", 5});
                          });
  }
  bool signedIn() const { return signedIn_; }
  void stop() {
    stopped_ = true;
    boost::system::error_code ec;
    timer_.cancel();
    socket_.close(ec);
  }

 private:
  template <class Request>
  void request(const Request& r) {
    const auto key = kiv::freshKey(kiv::accountFromPhone(phone_), kiv::SystemClock::instance().localNow(), sequence_);
    sentAt_[key.sequence] = Clock::now();
    auto packet = std::make_shared<std::vector<std::uint8_t>>(r.build(key));
    asio::async_write(socket_, asio::buffer(*packet), [packet](const boost::system::error_code&, std::size_t) {});
  }

  void read() {
    socket_.async_read_some(
        asio::buffer(buffer_), [self = shared_from_this()](const boost::system::error_code& ec, std::size_t n) {
          if (ec || self->stopped_) {
            if (!self->stopped_) ++self->stats_.failures;
            return;
          }
          self->framer_.feed(self->buffer_.data(), n);
          std::size_t size = 0;
          while (self->framer_.next(self->packet_.data(), size) == kiv::StreamFramer::Status::kPacket) {
            self->answered(size);
          }
          self->read();
        });
  }

  void answered(std::size_t size) {
    const auto key = kiv::keyOf(packet_.data());
    const auto sent = sentAt_.find(key.sequence);
    if (sent != sentAt_.end()) {
      stats_.latenciesMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent->second).count());
      ++stats_.answers;
      sentAt_.erase(sent);
    }
    const auto command = kiv::commandOf(packet_.data());
    if (command == kiv::LoginResponse::kCommand) {
      if (kiv::LoginResponse::read(packet_.data(), size).result != 0) {
        ++stats_.failures;
        return;
      }
      signedIn_ = true;
      request(kiv::GroupListRequest{});
      request(kiv::FriendListRequest{});
      schedule(phase_);
    } else if (command == kiv::NoticePollResponse::kCommand) {
      for (const auto& notice : kiv::NoticePollResponse::read(packet_.data(), size).notices) {
        kiv::FetchMessagesRequest fetch;
        fetch.kind = notice.isGroup() ? kiv::kGroupConversation : kiv::kPrivateConversation;
        fetch.id = notice.id;
        request(fetch);
      }
    }
  }

  // One cycle of ten seconds: the poll, a message from the senders, the lists
  // every twelfth cycle.
  void schedule(Clock::duration after) {
    timer_.expires_after(after);
    timer_.async_wait([self = shared_from_this()](const boost::system::error_code& ec) {
      if (ec || self->stopped_) return;
      self->request(kiv::NoticePollRequest{});
      if (self->sender_) {
        kiv::SendMessageRequest message;
        message.kind = kiv::kPrivateConversation;
        message.target = self->target_;
        message.text = "load test message";
        self->request(message);
      }
      if (++self->cycles_ % 12 == 0) {
        self->request(kiv::GroupListRequest{});
        self->request(kiv::FriendListRequest{});
      }
      self->schedule(std::chrono::seconds(10));
    });
  }

  tcp::socket socket_;
  asio::steady_timer timer_;
  Stats& stats_;
  std::string phone_;
  std::uint32_t target_;
  bool sender_;
  bool signedIn_ = false;
  bool stopped_ = false;
  int cycles_ = 0;
  Clock::duration phase_{};
  kiv::SequenceCounter sequence_;
  kiv::StreamFramer framer_;
  std::array<std::uint8_t, 16384> buffer_{};
  std::array<std::uint8_t, kiv::kMaxPacketSize> packet_{};
  std::map<std::uint32_t, Clock::time_point> sentAt_;
};

std::string phoneOf(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "15%09d", i);
  return text;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
  int maxClients = 8000;
  int stepSeconds = 20;
  int senderPercent = 10;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--max-clients") maxClients = std::clamp(std::atoi(argv[i + 1]), 1, 9000);
    if (arg == "--step-seconds") stepSeconds = std::clamp(std::atoi(argv[i + 1]), 5, 120);
    if (arg == "--senders") senderPercent = std::clamp(std::atoi(argv[i + 1]), 0, 100);
  }
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;
  setrlimit(RLIMIT_NOFILE, &files);
  maxClients = std::min<int>(maxClients, static_cast<int>((files.rlim_cur - 100) / 2));

  const auto dir = std::filesystem::temp_directory_path() / ("kiv-load-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string db = (dir / "load.db").string();
  std::vector<std::uint32_t> ids;
  {
    std::string error;
    auto store = kiv::server::Store::open(db, &error);
    if (!store) {
      std::fprintf(stderr, "cannot open %s: %s\n", db.c_str(), error.c_str());
      return 1;
    }
    auto tx = store->transaction();
    for (int i = 0; i < maxClients; ++i) ids.push_back(store->addAccount(phoneOf(i), "pw", "load" + std::to_string(i)));
    for (int i = 0; i < maxClients; ++i) {
      for (int k = 1; k <= 5; ++k) store->addFriend(ids[i], ids[(i + k) % ids.size()]);
    }
    tx.commit();
  }

  kiv::server::ServerOptions options;
  options.databasePath = db;
  options.chatPort = 0;
  options.webEnabled = false;
  options.echoLog = false;
  kiv::server::ChatServer server(options);
  std::string error;
  if (!server.start(&error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }

  asio::io_context io;
  auto work = asio::make_work_guard(io);
  std::thread loadThread([&] { io.run(); });
  std::mt19937 rng(42);
  std::vector<std::shared_ptr<SimClient>> clients;
  Stats stats;

  std::printf("clients  connected  requests/s  p50 ms  p99 ms  failures   (server and load generator share 2 cores)\n");
  int best = 0;
  for (int count = 250; count <= maxClients; count *= 2) {
    // Connect the new clients at about 500 per second, as a crowd would.
    for (int i = static_cast<int>(clients.size()); i < count; ++i) {
      asio::post(io, [&, i] {
        auto c = std::make_shared<SimClient>(io, stats, phoneOf(i), ids[(i + 1) % ids.size()],
                                             static_cast<int>(rng() % 100) < senderPercent, rng);
        clients.push_back(c);
        c->start(server.chatPort());
      });
      if (i % 50 == 49) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));  // let the sign-ins settle
    std::promise<void> cleared;
    asio::post(io, [&] {
      stats = Stats{};
      cleared.set_value();
    });
    cleared.get_future().wait();
    std::this_thread::sleep_for(std::chrono::seconds(stepSeconds));
    std::promise<Stats> taken;
    asio::post(io, [&] { taken.set_value(stats); });
    const Stats s = taken.get_future().get();
    const double p50 = percentile(s.latenciesMs, 0.50);
    const double p99 = percentile(s.latenciesMs, 0.99);
    std::printf("%7d  %9zu  %10.1f  %6.2f  %6.2f  %8zu\n", count, server.signedInCount(),
                static_cast<double>(s.answers) / stepSeconds, p50, p99, s.failures);
    std::fflush(stdout);
    if (p99 >= 50.0 || s.failures > 0 || server.signedInCount() < static_cast<std::size_t>(count)) break;
    best = count;
    if (count * 2 > maxClients && count < maxClients) count = maxClients / 2;  // last step at the maximum
  }
  std::printf("largest client count with p99 < 50 ms: %d%s\n", best, best == maxClients ? " (the most tried)" : "");

  asio::post(io, [&] {
    for (auto& c : clients) c->stop();
    work.reset();
  });
  loadThread.join();
  server.stop();
  std::filesystem::remove_all(dir);
  return 0;
}
