// Load generator for kiv-server: many simulated clients in one process, with
// the server's limits as they ship (the clients come from several loopback
// addresses, as a crowd behind several routers would). Three modes:
//
//   bench_server_load [--max-clients N] [--step-seconds S] [--senders PERCENT]
//     Clients at the protocol's pace (a notice poll every 10 s, group and
//     friend lists every 120 s, a share sending a message every 10 s and
//     fetching what the polls announce), in growing numbers; prints clients,
//     requests per second and the p50/p99 answer time, and stops at the first
//     count whose p99 reaches 50 ms.
//   bench_server_load --mixed [--clients N] [--step-seconds S]
//     N signed-in clients asking as fast as a target rate says, the rate
//     doubling each step: polls, profile reads, sends (one in ten, within the
//     send quota), list requests, and the fetches the polls call for; prints
//     the highest rate answered at p99 below 50 ms.
//   bench_server_load --group-burst K [--clients N] [--step-seconds S]
//     N polling clients while K group owners send 3000-byte messages into
//     their 200-member groups as fast as the server answers them (each
//     message is 22 records per member); prints the others' p99 meanwhile.
//
//   --db postgresql://...   the server(s) on PostgreSQL (a fresh schema, dropped
//                           at the end) instead of an SQLite file; prints the
//                           share of the machine's CPU that PostgreSQL took
//   --instances N           N servers (1-3) on that database behind HAProxy
//                           (round robin), the clients connecting to HAProxy,
//                           which passes their addresses on (send-proxy)
//   --start-rate R          the mixed mode's first rate (default 1000 a second)
//
// Starts its own servers on 127.0.0.1 with a fresh database; talks to nothing
// else. Bounded: a fixed number of clients, each step a fixed time.
#include <spawn.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>  // before Asio: Boost 1.74 uses std::exchange without it

#include <algorithm>
#include <array>
#include <atomic>
#include <boost/asio.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>
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
#include "net/UserInfoMessages.h"
#include "platform/Clock.h"
#include "server/ChatServer.h"
#include "server/Store.h"

extern char** environ;

namespace {

namespace asio = boost::asio;
using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

struct Stats {
  std::vector<double> latenciesMs;
  std::size_t answers = 0;
  std::size_t failures = 0;  // broken connections, refused sign-ins
  std::size_t refused = 0;   // sends answered "not delivered"
};

enum class Mode { kPolling, kMixed, kBurst };

// The source address of client i: 400 clients per loopback address, below
// the server's cap of 500 connections per address.
asio::ip::address sourceOf(int i) {
  return asio::ip::make_address_v4(0x7F000001u + static_cast<unsigned>(i / 400));
}

class SimClient : public std::enable_shared_from_this<SimClient> {
 public:
  SimClient(asio::io_context& io, Stats& stats, std::string phone, std::uint32_t friendId, std::uint32_t group,
            Mode mode, bool sender, std::mt19937& rng)
      : socket_(io),
        timer_(io),
        stats_(stats),
        phone_(std::move(phone)),
        friend_(friendId),
        group_(group),
        mode_(mode),
        sender_(sender) {
    phase_ = std::chrono::milliseconds(rng() % 10000);
  }

  // The pause between two requests of every mixed client.
  static std::atomic<long> mixedIntervalUs;

  void start(int index, std::uint16_t port) {
    boost::system::error_code ec;
    socket_.open(tcp::v4(), ec);
    if (!ec) socket_.bind(tcp::endpoint(sourceOf(index), 0), ec);
    if (ec) {
      ++stats_.failures;
      return;
    }
    socket_.async_connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port),
                          [self = shared_from_this()](const boost::system::error_code& error) {
                            if (error) {
                              ++self->stats_.failures;
                              return;
                            }
                            self->read();
                            self->request(kiv::LoginRequest{self->phone_, "pw", 5});
                          });
  }
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
      request(kiv::GroupListRequest{});
      request(kiv::FriendListRequest{});
      if (mode_ == Mode::kBurst) {
        sendToGroup();
      } else {
        schedule(mode_ == Mode::kMixed ? Clock::duration(phase_ / 10) : Clock::duration(phase_));
      }
    } else if (command == kiv::NoticePollResponse::kCommand) {
      for (const auto& notice : kiv::NoticePollResponse::read(packet_.data(), size).notices) {
        kiv::FetchMessagesRequest fetch;
        fetch.kind = notice.isGroup() ? kiv::ConversationKind::kGroup : kiv::ConversationKind::kPrivate;
        fetch.id = notice.id;
        request(fetch);
      }
    } else if (command == kiv::SendMessageResponse::kCommand) {
      if (kiv::SendMessageResponse::read(packet_.data(), size).result != 0) ++stats_.refused;
      if (mode_ == Mode::kBurst) sendToGroup();
    }
  }

  void sendToGroup() {
    kiv::SendMessageRequest message;
    message.kind = kiv::ConversationKind::kGroup;
    message.target = group_;
    message.text = std::string(3000, 'b');
    request(message);
  }

  void sendToFriend() {
    kiv::SendMessageRequest message;
    message.kind = kiv::ConversationKind::kPrivate;
    message.target = friend_;
    message.text = "load test message";
    request(message);
  }

  // Polling: one cycle of ten seconds (the poll, a message from the senders,
  // the lists every twelfth cycle). Mixed: the next request of a rotation of
  // ten, at the interval all mixed clients share.
  void schedule(Clock::duration after) {
    timer_.expires_after(after);
    timer_.async_wait([self = shared_from_this()](const boost::system::error_code& ec) {
      if (ec || self->stopped_) return;
      if (self->mode_ == Mode::kMixed) {
        self->nextMixed();
        self->schedule(std::chrono::microseconds(mixedIntervalUs.load()));
        return;
      }
      self->request(kiv::NoticePollRequest{});
      if (self->sender_) self->sendToFriend();
      if (++self->cycles_ % 12 == 0) {
        self->request(kiv::GroupListRequest{});
        self->request(kiv::FriendListRequest{});
      }
      self->schedule(std::chrono::seconds(10));
    });
  }

  void nextMixed() {
    switch (cycles_++ % 10) {
      case 0:
      case 3:
      case 6:
        request(kiv::NoticePollRequest{});
        break;
      case 1:
      case 4:
      case 7:
        request(kiv::UserInfoRequest{friend_});
        break;
      case 2:
      case 5:
        request(kiv::UserInfoRequest{0});
        break;
      case 8:
        sendToFriend();
        break;
      default:
        request(kiv::FriendListRequest{});
        break;
    }
  }

  tcp::socket socket_;
  asio::steady_timer timer_;
  Stats& stats_;
  std::string phone_;
  std::uint32_t friend_;
  std::uint32_t group_;
  Mode mode_;
  bool sender_;
  bool stopped_ = false;
  int cycles_ = 0;
  Clock::duration phase_{};
  kiv::SequenceCounter sequence_;
  kiv::StreamFramer framer_;
  std::array<std::uint8_t, 16384> buffer_{};
  std::array<std::uint8_t, kiv::kMaxPacketSize> packet_{};
  std::map<std::uint32_t, Clock::time_point> sentAt_;
};

std::atomic<long> SimClient::mixedIntervalUs{1'000'000};

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

// The load generator's thread and its clients; steps are measured through it.
class Load {
 public:
  Load() : work_(asio::make_work_guard(io_)), thread_([this] { io_.run(); }) {}
  ~Load() {
    asio::post(io_, [this] {
      for (auto& c : clients_) c->stop();
      work_.reset();
    });
    thread_.join();
  }

  using Make = std::function<std::shared_ptr<SimClient>(asio::io_context&, int, Stats&)>;

  // Adds clients up to `count`, about 500 per second, as a crowd would;
  // `burst` ones count apart from the others.
  void grow(int count, const Make& make, std::uint16_t port, bool burst = false) {
    for (int i = size_; i < count; ++i) {
      asio::post(io_, [this, i, make, port, burst] {
        clients_.push_back(make(io_, i, burst ? burstStats_ : stats_));
        clients_.back()->start(i, port);
      });
      if (i % 50 == 49) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    size_ = std::max(size_, count);
  }
  // One client of its own, counted apart (a burst sender).
  void add(int index, const Make& make, std::uint16_t port) {
    asio::post(io_, [this, index, make, port] {
      clients_.push_back(make(io_, index, burstStats_));
      clients_.back()->start(index, port);
    });
  }

  // Clears the figures, waits `seconds` and returns what was measured.
  std::pair<Stats, Stats> measure(int seconds) {
    onLoadThread([&] {
      stats_ = Stats{};
      burstStats_ = Stats{};
    });
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::pair<Stats, Stats> taken;
    onLoadThread([&] { taken = {stats_, burstStats_}; });
    return taken;
  }

 private:
  void onLoadThread(const std::function<void()>& f) {
    std::promise<void> done;
    asio::post(io_, [&] {
      f();
      done.set_value();
    });
    done.get_future().wait();
  }

  asio::io_context io_;
  asio::executor_work_guard<asio::io_context::executor_type> work_;
  std::vector<std::shared_ptr<SimClient>> clients_;
  int size_ = 0;
  Stats stats_;
  Stats burstStats_;
  std::thread thread_;
};

// CPU seconds used so far by every PostgreSQL process, and by the machine.
double postgresCpuSeconds() {
  double ticks = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const auto open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || line.substr(open + 1, close - open - 1) != "postgres")
      continue;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 13; ++i) rest >> field;  // state .. cmajflt
    double user = 0, system = 0;
    rest >> user >> system;
    ticks += user + system;
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double machineCpuSeconds() {
  std::ifstream stat("/proc/stat");
  std::string cpu;
  stat >> cpu;
  double total = 0, idle = 0, value = 0;
  for (int i = 0; stat >> value && i < 8; ++i) {
    total += value;
    if (i == 3 || i == 4) idle += value;  // idle, iowait
  }
  return (total - idle) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// HAProxy in front of the servers' chat ports; its pid, or -1.
pid_t startBalancer(const std::filesystem::path& dir, std::uint16_t port, const std::vector<std::uint16_t>& servers) {
  const auto config = (dir / "haproxy.cfg").string();
  {
    std::ofstream out(config);
    out << "global\n  maxconn 9000\ndefaults\n  mode tcp\n  timeout connect 2s\n  timeout client 200s\n"
           "  timeout server 200s\nlisten chat\n  bind 127.0.0.1:"
        << port << "\n  balance roundrobin\n";
    for (std::size_t i = 0; i < servers.size(); ++i)
      out << "  server s" << i << " 127.0.0.1:" << servers[i] << " send-proxy\n";
  }
  std::string program = "/usr/sbin/haproxy", quiet = "-q", foreground = "-db", file = "-f";
  char* args[] = {program.data(), quiet.data(), foreground.data(), file.data(), const_cast<char*>(config.c_str()),
                  nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args, environ) != 0) return -1;
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  std::string postgres;
  int instances = 1;
  int startRate = 1000;
  int maxClients = 8000;
  int clients = 0;
  int stepSeconds = 20;
  int senderPercent = 10;
  int bursters = 0;
  Mode mode = Mode::kPolling;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const int value = i + 1 < argc ? std::atoi(argv[i + 1]) : 0;
    if (arg == "--mixed") {
      mode = Mode::kMixed;
      continue;
    }
    if (arg == "--db" && i + 1 < argc) postgres = argv[i + 1];
    if (arg == "--instances") instances = std::clamp(value, 1, 3);
    if (arg == "--start-rate") startRate = std::clamp(value, 50, 64000);
    if (arg == "--max-clients") maxClients = std::clamp(value, 1, 9000);
    if (arg == "--clients") clients = std::clamp(value, 200, 9000);
    if (arg == "--step-seconds") stepSeconds = std::clamp(value, 5, 120);
    if (arg == "--senders") senderPercent = std::clamp(value, 0, 100);
    if (arg == "--group-burst") {
      mode = Mode::kBurst;
      bursters = std::clamp(value, 1, 10);
    }
    ++i;
  }
  if (clients == 0) clients = mode == Mode::kMixed ? 4000 : 2000;
  bursters = std::min(bursters, clients / 199);
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;
  setrlimit(RLIMIT_NOFILE, &files);
  // Room for two descriptors per client (both ends are in this process).
  const int room = static_cast<int>((files.rlim_cur - 100) / 2);
  maxClients = std::min(maxClients, room);
  clients = std::min(clients, room - bursters);
  // Burst senders are accounts of their own, after the other clients.
  const int accounts = (mode == Mode::kPolling ? maxClients : clients) + bursters;

  const auto dir = std::filesystem::temp_directory_path() / ("kiv-load-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string db = (dir / "load.db").string();
  const std::string schema = "load" + std::to_string(::getpid());
  if (!postgres.empty()) {
    std::string error;
    auto admin = kiv::server::Database::open(postgres, &error);
    if (!admin || !admin->exec(("CREATE SCHEMA " + schema).c_str())) {
      std::fprintf(stderr, "cannot use %s: %s\n", postgres.c_str(), admin ? admin->lastError().c_str() : error.c_str());
      return 1;
    }
    db = postgres + (postgres.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema;
  } else {
    instances = 1;
  }
  std::vector<std::uint32_t> ids;
  std::vector<std::uint32_t> groups;
  {
    std::string error;
    auto store = kiv::server::Store::open(db, &error);
    if (!store) {
      std::fprintf(stderr, "cannot open %s: %s\n", db.c_str(), error.c_str());
      return 1;
    }
    auto tx = store->transaction();
    for (int i = 0; i < accounts; ++i)
      ids.push_back(store->accounts().addAccount(phoneOf(i), "pw", "load" + std::to_string(i)));
    for (int i = 0; i < accounts; ++i) {
      for (int k = 1; k <= 5; ++k) store->friends().addFriend(ids[i], ids[(i + k) % ids.size()]);
    }
    // Groups of 200: a burst sender and 199 of the other clients.
    for (int g = 0; g < bursters && (g + 1) * 199 <= clients; ++g) {
      groups.push_back(
          store->groups().createGroup(ids[static_cast<std::size_t>(clients + g)], "burst", "260101000000"));
      for (int m = 0; m < 199; ++m)
        store->members().addMember(groups.back(), ids[static_cast<std::size_t>(g * 199 + m)]);
    }
    tx.commit();
  }

  kiv::server::ServerOptions options;
  options.databasePath = db;
  options.chatPort = 0;
  options.webEnabled = false;
  options.echoLog = false;
  // Behind the balancer, which passes each client's address on in a PROXY header.
  if (instances > 1) options.balancers = *kiv::server::TrustedNetworks::parse("127.0.0.1", nullptr);
  std::vector<std::unique_ptr<kiv::server::ChatServer>> servers;
  std::vector<std::uint16_t> ports;
  for (int n = 0; n < instances; ++n) {
    servers.push_back(std::make_unique<kiv::server::ChatServer>(options));
    std::string error;
    if (!servers.back()->start(&error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    ports.push_back(servers.back()->chatPort());
  }
  std::uint16_t port = ports[0];
  pid_t balancer = -1;
  if (instances > 1) {
    port = static_cast<std::uint16_t>(20000 + ::getpid() % 20000);
    balancer = startBalancer(dir, port, ports);
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  auto signedIn = [&] {
    std::size_t n = 0;
    for (const auto& server : servers) n += server->signedInCount();
    return n;
  };
  double pgBefore = postgresCpuSeconds(), machineBefore = machineCpuSeconds();
  auto pgShare = [&] {
    const double pg = postgresCpuSeconds(), machine = machineCpuSeconds();
    const double share = machine > machineBefore ? 100 * (pg - pgBefore) / (machine - machineBefore) : 0;
    pgBefore = pg;
    machineBefore = machine;
    return share;
  };
  std::mt19937 rng(42);
  auto load = std::make_unique<Load>();
  auto make = [&](Mode m, int senders) -> Load::Make {
    return [&, m, senders](asio::io_context& io, int i, Stats& stats) {
      const bool sender = static_cast<int>(rng() % 100) < senders;
      const std::uint32_t group = m == Mode::kBurst ? groups[static_cast<std::size_t>(i - clients)] : 0;
      return std::make_shared<SimClient>(io, stats, phoneOf(i), ids[(i + 1) % ids.size()], group, m, sender, rng);
    };
  };
  auto line = [&](const char* first, double value, const Stats& s, int seconds) {
    std::printf("%s %9.0f  %9zu  %10.1f  %6.2f  %6.2f  %8zu  %7zu  %5.0f%%\n", first, value, signedIn(),
                static_cast<double>(s.answers) / seconds, percentile(s.latenciesMs, 0.50),
                percentile(s.latenciesMs, 0.99), s.failures, s.refused, postgres.empty() ? 0.0 : pgShare());
    std::fflush(stdout);
  };

  std::printf("(server and load generator share the machine's cores; the server's limits as shipped)\n");
  std::printf("%s, %d server%s%s; the last column is PostgreSQL's share of the CPU used\n",
              postgres.empty() ? "SQLite" : "PostgreSQL", instances, instances > 1 ? "s" : "",
              instances > 1 ? " behind HAProxy" : "");
  if (mode == Mode::kPolling) {
    std::printf("   clients  connected  requests/s  p50 ms  p99 ms  failures  refused  pg cpu\n");
    int best = 0;
    for (int count = 250; count <= maxClients; count *= 2) {
      load->grow(count, make(Mode::kPolling, senderPercent), port);
      std::this_thread::sleep_for(std::chrono::seconds(3));  // let the sign-ins settle
      pgShare();  // count from here
      const Stats s = load->measure(stepSeconds).first;
      line("", count, s, stepSeconds);
      if (percentile(s.latenciesMs, 0.99) >= 50.0 || s.failures > 0 ||
          signedIn() < static_cast<std::size_t>(count))
        break;
      best = count;
      if (count * 2 > maxClients && count < maxClients) count = maxClients / 2;  // last step at the maximum
    }
    std::printf("largest client count with p99 < 50 ms: %d%s\n", best, best == maxClients ? " (the most tried)" : "");
  } else if (mode == Mode::kMixed) {
    load->grow(clients, make(Mode::kMixed, 0), port);
    // Every client signed in before the first step, at most half a minute.
    for (int waited = 0; waited < 300 && signedIn() < static_cast<std::size_t>(clients); ++waited)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::printf("    target  connected  requests/s  p50 ms  p99 ms  failures  refused  pg cpu  (%d clients)\n", clients);
    double best = 0;
    for (double rate = startRate; rate <= 64000; rate *= 1.4142) {
      // The new pace settles once every client has waited out the old one.
      const long before = SimClient::mixedIntervalUs;
      SimClient::mixedIntervalUs = static_cast<long>(1e6 * clients / rate);
      std::this_thread::sleep_for(std::chrono::microseconds(before + 500'000));
      pgShare();  // count from here
      const Stats s = load->measure(stepSeconds).first;
      line("", rate, s, stepSeconds);
      const double achieved = static_cast<double>(s.answers) / stepSeconds;
      if (percentile(s.latenciesMs, 0.99) >= 50.0 || s.failures > 0 || achieved < 0.85 * rate) break;
      best = achieved;
    }
    std::printf("highest request rate answered with p99 < 50 ms: %.0f per second\n", best);
  } else {
    load->grow(clients, make(Mode::kPolling, senderPercent), port);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::printf("     phase  connected  requests/s  p50 ms  p99 ms  failures  refused\n");
    line("  quiet   ", 0, load->measure(stepSeconds).first, stepSeconds);
    // The owners send into their groups without pause.
    for (int g = 0; g < static_cast<int>(groups.size()); ++g) load->add(clients + g, make(Mode::kBurst, 0), port);
    const auto [others, burst] = load->measure(stepSeconds);
    line("  burst   ", static_cast<double>(groups.size()), others, stepSeconds);
    std::printf("(%zu owners sending 3000 bytes into groups of 200: %zu sends answered, %zu of them refused by the "
                "quota, in %d s)\n",
                groups.size(), burst.answers, burst.refused, stepSeconds);
  }
  load.reset();
  for (auto& server : servers) server->stop();
  if (balancer > 0) {
    ::kill(balancer, SIGTERM);
    ::waitpid(balancer, nullptr, 0);
  }
  if (!postgres.empty()) {
    std::string error;
    if (auto admin = kiv::server::Database::open(postgres, &error)) admin->exec(("DROP SCHEMA " + schema + " CASCADE").c_str());
  }
  std::filesystem::remove_all(dir);
  return 0;
}
