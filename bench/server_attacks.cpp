// The attacks a server on the open internet meets, each run against a real
// kiv-server program (this build's or any other, so that two versions can be
// compared) with a fresh database, while a genuine signed-in user polls every
// 50 ms. For each attack it prints the server's CPU seconds, its memory
// (resident now and at most), the log's growth, what the attacker got and
// what the genuine user saw (answer times, unanswered polls).
//
//   bench_server_attacks --server PATH [--only NAME]
//
// The server runs with `ulimit -n 1024` and only the options every version
// knows (--db --bind --port --web-port). Loopback only; every attack bounded.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/FetchMessagesMessages.h"
#include "net/JoinGroupMessages.h"
#include "net/LoginMessages.h"
#include "net/NoticePollMessages.h"
#include "net/SendMessageMessages.h"
#include "net/SmsPasswordMessages.h"
#include "net/StreamFramer.h"
#include "net/UpdateUserInfoMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/Clock.h"
#include "platform/Gbk.h"
#include "platform/TcpSocket.h"
#include "server/Store.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::uint16_t freePort() {
  std::uint16_t port = 0;
  ::close(kiv::TcpSocket::listenOnLoopback(1, port));
  return port;
}

kiv::TcpSocket connectFrom(const std::string& from, std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  inet_pton(AF_INET, from.c_str(), &local.sin_addr);
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(port);
  inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
      ::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0) {
    return kiv::TcpSocket::adopt(fd);
  }
  if (fd >= 0) ::close(fd);
  return {};
}

// A protocol client on a blocking socket.
class Client {
 public:
  explicit Client(std::uint16_t port, const std::string& from = "127.0.0.1") : socket_(connectFrom(from, port)) {}
  bool open() const { return socket_.isOpen(); }
  template <class Request>
  bool send(const Request& r) {
    const auto packet = r.build(kiv::freshKey(kiv::accountFromPhone(phone_), kiv::SystemClock::instance().localNow(),
                                              sequence_));
    return socket_.sendAll(packet.data(), packet.size(), 3000);
  }
  bool sendRaw(const std::vector<std::uint8_t>& bytes) { return socket_.sendAll(bytes.data(), bytes.size(), 5000); }
  // The next packet, empty after `ms` or when the server closed.
  std::vector<std::uint8_t> receive(int ms) {
    std::vector<std::uint8_t> packet(kiv::kMaxPacketSize);
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      std::size_t size = 0;
      if (framer_.next(packet.data(), size) == kiv::StreamFramer::Status::kPacket) {
        packet.resize(size);
        return packet;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
      if (left <= 0 || socket_.waitReadable(static_cast<int>(left)) != kiv::TcpSocket::kReady) return {};
      std::uint8_t buffer[16384];
      const long n = socket_.receive(buffer, sizeof buffer);
      if (n <= 0) return {};
      framer_.feed(buffer, static_cast<std::size_t>(n));
    }
  }
  int login(const std::string& phone, const std::string& password) {
    phone_ = phone;
    send(kiv::LoginRequest{phone, password, 5});
    const auto answer = receive(5000);
    return answer.empty() ? -1 : kiv::LoginResponse::read(answer.data(), answer.size()).result;
  }
  void setPhone(std::string phone) { phone_ = std::move(phone); }
  // True when the server closes within `ms`.
  bool closed(int ms) {
    while (!receive(ms).empty()) {
    }
    std::uint8_t b;
    return socket_.waitReadable(0) == kiv::TcpSocket::kReady && socket_.receive(&b, 1) <= 0;
  }

 private:
  kiv::TcpSocket socket_;
  kiv::StreamFramer framer_;
  kiv::SequenceCounter sequence_;
  std::string phone_;
};

std::string phoneOf(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "139%08d", i);
  return text;
}

// The server program under test, with its own database and log.
class Server {
 public:
  Server(const std::string& program, const fs::path& dir) : dir_(dir) {
    chat = freePort();
    web = freePort();
    db = (dir / "kiv.db").string();
    log = (dir / "kiv.log").string();
    const std::string line = "ulimit -n 1024 && exec " + program + " --db " + db + " --bind 127.0.0.1 --port " +
                             std::to_string(chat) + " --web-port " + std::to_string(web) + " serve >>" + log +
                             " 2>&1";
    pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 250 && kiv::TcpSocket().connect("127.0.0.1", chat, 500) != 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~Server() {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  double cpuSeconds() const {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;
    long user = 0, system = 0;
    fields >> user >> system;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  // VmRSS or VmHWM in MiB.
  double memory(const char* field) const {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::strlen(field) + 1)) / 1024.0;
    }
    return 0;
  }
  double logMiB() const {
    std::error_code ec;
    return static_cast<double>(fs::file_size(log, ec)) / (1024.0 * 1024.0);
  }
  std::string logText() const {
    std::ifstream in(log);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  int mode(const std::string& suffix) const {
    struct stat info {};
    return ::stat((db + suffix).c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
  }
  int admin(const std::string& program, const std::string& args) const {
    return std::system((program + " --db " + db + " " + args + " >/dev/null 2>&1").c_str());
  }

  pid_t pid = -1;
  std::uint16_t chat = 0;
  std::uint16_t web = 0;
  std::string db;
  std::string log;

 private:
  fs::path dir_;
};

// A signed-in user polling every 50 ms on its own thread, timing each answer.
class GenuineUser {
 public:
  GenuineUser(std::uint16_t port, const std::string& phone) : client_(port) {
    signedIn_ = client_.login(phone, "pw") == 0;
    thread_ = std::thread([this] {
      while (!stop_) {
        const auto sent = Clock::now();
        client_.send(kiv::NoticePollRequest{});
        if (client_.receive(2000).empty()) {
          ++unanswered_;
          if (!client_.open()) break;
        } else {
          std::lock_guard lock(mutex_);
          ms_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    });
  }
  ~GenuineUser() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::string report() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    if (!signedIn_) return "could not sign in";
    std::sort(ms_.begin(), ms_.end());
    const auto at = [&](double p) { return ms_.empty() ? 0 : ms_[std::min(ms_.size() - 1, std::size_t(p * ms_.size()))]; };
    char text[160];
    std::snprintf(text, sizeof text, "%zu polls answered, p50 %.1f ms, p99 %.1f ms, max %.0f ms, %d unanswered",
                  ms_.size(), at(0.5), at(0.99), ms_.empty() ? 0.0 : ms_.back(), unanswered_.load());
    return text;
  }

 private:
  Client client_;
  bool signedIn_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<int> unanswered_{0};
  std::mutex mutex_;
  std::vector<double> ms_;
  std::thread thread_;
};

int httpStatus(std::uint16_t port, const std::string& request, const std::string& from = "127.0.0.2") {
  kiv::TcpSocket socket = connectFrom(from, port);
  if (!socket.isOpen()) return 0;
  socket.sendAll(request.data(), request.size(), 10000);
  std::string reply;
  char buffer[4096];
  while (socket.waitReadable(5000) == kiv::TcpSocket::kReady) {
    const long n = socket.receive(buffer, sizeof buffer);
    if (n <= 0) break;
    reply.append(buffer, static_cast<std::size_t>(n));
  }
  return reply.rfind("HTTP/1.1 ", 0) == 0 ? std::stoi(reply.substr(9, 3)) : 0;
}

std::string upload(const std::string& phone, const std::string& password, std::uint32_t id, const std::string& file) {
  std::string body;
  for (const auto& [name, value] : {std::pair<std::string, std::string>{"loginuser", phone},
                                    {"loginpwd", password}, {"changid", std::to_string(id)}, {"isgroup", "0"}}) {
    body += "--b\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
  }
  body += "--b\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"a\"\r\n\r\n" + file + "\r\n--b--";
  return "POST /upload/pc_img_add.jsp HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
         "Content-Type: multipart/form-data; boundary=b\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

struct Attack {
  const char* name;
  const char* what;
  // Runs against the server; returns what the attacker got.
  std::function<std::string(Server&, const std::string& program)> run;
};

// 1,100 connections from `addresses` addresses, one byte each, held for at
// least 3 s while a genuine user tries to sign in from another.
std::string flood(Server& s, int addresses) {
  std::vector<std::unique_ptr<Client>> flood;
  for (int i = 0; i < 1100; ++i) {
    flood.push_back(std::make_unique<Client>(s.chat, "127.0.1." + std::to_string(1 + i % addresses)));
    const std::vector<std::uint8_t> one{0};
    flood.back()->sendRaw(one);
  }
  const double cpu = s.cpuSeconds();
  const auto started = Clock::now();
  Client late(s.chat, "127.0.0.3");
  late.setPhone(phoneOf(2));
  late.send(kiv::LoginRequest{phoneOf(2), "pw", 5});
  const auto answer = late.receive(20000);  // longer than the sign-in time a connection has
  const int result = answer.empty() ? -1 : kiv::LoginResponse::read(answer.data(), answer.size()).result;
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
  std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0, 3000 - static_cast<int>(ms))));
  const double held = std::chrono::duration<double>(Clock::now() - started).count();
  char text[200];
  std::snprintf(text, sizeof text, "CPU %.2f s in the %.1f s it held them; a new genuine sign-in: %s after %.0f ms",
                s.cpuSeconds() - cpu, held, result == 0 ? "signed in" : "no answer", ms);
  return std::string(text);
}

std::vector<Attack> attacks() {
  return {
      {"log-flood", "20 uploads with a 2 MiB loginuser of byte 0x80 and a wrong password",
       [](Server& s, const std::string&) {
         int statuses[2] = {0, 0};
         for (int i = 0; i < 20; ++i) {
           const int status = httpStatus(s.web, upload(std::string(2 * 1024 * 1024, '\x80'), "bad", 10001, "x"));
           ++statuses[status == 403 ? 0 : 1];
         }
         return std::to_string(statuses[0]) + " answered 403 (the password checked), " + std::to_string(statuses[1]) +
                " refused unread";
       }},
      {"connection-flood", "1,100 connections from one address, one byte each, held 3 s; a genuine sign-in meanwhile",
       [](Server& s, const std::string&) { return flood(s, 1); }},
      {"connection-flood-4", "the same from four addresses (past the descriptor limit of 1,024)",
       [](Server& s, const std::string&) { return flood(s, 4); }},
      {"guessing", "3,000 wrong LoginRequests pipelined on one connection, the last one right",
       [](Server& s, const std::string&) {
         Client attacker(s.chat, "127.0.0.2");
         attacker.setPhone(phoneOf(3));
         std::vector<std::uint8_t> stream;
         kiv::SequenceCounter sequence;
         for (int i = 0; i < 3000; ++i) {
           const auto packet = kiv::LoginRequest{phoneOf(3), i == 2999 ? "pw" : std::string("g").append(std::to_string(i)), 5}.build(
               kiv::freshKey(kiv::accountFromPhone(phoneOf(3)), kiv::SystemClock::instance().localNow(), sequence));
           stream.insert(stream.end(), packet.begin(), packet.end());
         }
         const auto started = Clock::now();
         attacker.sendRaw(stream);
         int answers = 0;
         int last = -1;
         auto lastAt = started;
         for (std::vector<std::uint8_t> a; !(a = attacker.receive(3000)).empty(); ++answers) {
           last = kiv::LoginResponse::read(a.data(), a.size()).result;
           lastAt = Clock::now();
         }
         const double ms = std::chrono::duration<double, std::milli>(lastAt - started).count();
         char text[120];
         std::snprintf(text, sizeof text, "%d answers in %.0f ms, the last %s %d", answers, ms,
                       last == 0 ? "signed in: result" : "result", last);
         return std::string(text);
       }},
      {"forgery", "127 text bytes then 0x07 0x02 \"[20001]邀请你加入群:\"; a nickname \"\\x07\\x02[20001]\"",
       [](Server& s, const std::string&) {
         Client forger(s.chat);
         forger.login(phoneOf(4), "pw");
         kiv::SendMessageRequest send;
         send.kind = kiv::ConversationKind::kPrivate;
         send.target = 10008;
         // The filler puts the marker at the start of the second record: the
         // record holds 139 bytes and the text follows "user4(私聊):".
         send.text.assign(139 - 5 - kiv::gbk::fromUtf8("(私聊):").size(), 'a');
         send.text.append("\x07\x02[20001]").append(kiv::gbk::fromUtf8("邀请你加入群:木棉")).append(200, 'b');
         forger.send(send);
         forger.receive(3000);
         kiv::UpdateUserInfoRequest profile;
         profile.userId = 10005;
         profile.nickname.assign("\x07\x02[20001]", 9);
         forger.send(profile);
         forger.receive(3000);
         Client victim(s.chat);
         victim.login(phoneOf(7), "pw");
         kiv::FetchMessagesRequest fetch;
         fetch.kind = kiv::ConversationKind::kPrivate;
         fetch.id = 10005;
         victim.send(fetch);
         const auto answer = victim.receive(3000);
         int marked = 0;
         for (const auto& r : kiv::FetchMessagesResponse::read(answer.data(), answer.size()).messages) {
           marked += !r.text.empty() && r.text[0] == '\x07' ? 1 : 0;
         }
         std::string error;
         const auto nickname = kiv::server::Store::open(s.db, &error)->accounts().account(10005)->nickname;
         char text[120];
         std::snprintf(text, sizeof text, "%d record(s) start with the action marker; the nickname is stored %s 0x07",
                       marked, nickname.find('\x07') != std::string::npos ? "with" : "without");
         return std::string(text);
       }},
      {"amplification", "100 sends of 3,000 bytes into a 199-member group as fast as answered; 100 repeated join requests",
       [](Server& s, const std::string&) {
         Client owner(s.chat);
         owner.login(phoneOf(1), "pw");
         int delivered = 0;
         for (int i = 0; i < 100; ++i) {
           kiv::SendMessageRequest send;
           send.kind = kiv::ConversationKind::kGroup;
           send.target = 20001;
           send.text = std::string(3000, static_cast<char>('a' + i % 26));
           owner.send(send);
           const auto a = owner.receive(5000);
           delivered += !a.empty() && kiv::SendMessageResponse::read(a.data(), a.size()).result == 0 ? 1 : 0;
         }
         Client asker(s.chat);
         asker.login(phoneOf(250), "pw");
         for (int i = 0; i < 100; ++i) {
           asker.send(kiv::JoinGroupRequest{20001});
           asker.receive(3000);
         }
         std::string error;
         auto store = kiv::server::Store::open(s.db, &error);
         const auto waiting = store->waiting().all();
         const auto notices = std::count_if(waiting.begin(), waiting.end(), [](const auto& m) {
           return !m.message.text.empty() && m.message.text[0] == '\x07';
         });
         char text[200];
         std::snprintf(text, sizeof text,
                       "%d of 100 sends delivered, %zu records waiting, %ld join notices, %zu answers "
                       "kept for the sender",
                       delivered, waiting.size(), static_cast<long>(notices), store->answers().keptAnswerCount(10002));
         return std::string(text);
       }},
      {"cancelled", "an account cancelled by the operator while signed in, then sending",
       [](Server& s, const std::string& program) {
         Client user(s.chat);
         user.login(phoneOf(5), "pw");
         s.admin(program, "cancel-user 10006");
         const auto started = Clock::now();
         const bool closed = user.closed(3000);
         const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
         if (closed) return std::string("the session was closed by the server after ").append(std::to_string(static_cast<int>(ms))).append(" ms");
         kiv::SendMessageRequest send;
         send.kind = kiv::ConversationKind::kPrivate;
         send.target = 10001;
         send.text = "still here";
         user.send(send);
         const auto a = user.receive(3000);
         return std::string("the session stayed; its send was answered ") +
                (a.empty() ? "not at all" : std::to_string(kiv::SendMessageResponse::read(a.data(), a.size()).result));
       }},
      {"secrets", "file modes; an SMS request naming a phone; a login whose phone holds a newline and an escape",
       [](Server& s, const std::string&) {
         Client stranger(s.chat);
         kiv::SmsPasswordRequest sms;
         sms.phone = phoneOf(0);
         stranger.send(sms);
         stranger.receive(3000);
         Client other(s.chat);
         other.login("1\n2\x1b[2J", "x");
         std::this_thread::sleep_for(std::chrono::milliseconds(200));
         const std::string log = s.logText();
         char text[200];
         std::snprintf(text, sizeof text, "db %o, -wal %o, -shm %o; the SMS line %s the password; the log %s",
                       s.mode(""), s.mode("-wal"), s.mode("-shm"),
                       log.find("SMS to") != std::string::npos && log.find("pw", log.find("SMS to")) <
                               log.find('\n', log.find("SMS to"))
                           ? "holds"
                           : "does not hold",
                       log.find('\x1b') != std::string::npos ? "holds a raw escape" : "escapes control characters");
         return std::string(text);
       }},
      {"xpm", "an avatar upload of an XPM picture with the right credentials",
       [](Server& s, const std::string&) {
         const std::string xpm = "/* XPM */\nstatic char *x[] = {\"1 1 1 1\", \"a c #ff0000\", \"a\"};\n";
         return std::string("answered ").append(std::to_string(httpStatus(s.web, upload(phoneOf(0), "pw", 10001, xpm), "127.0.0.1")));
       }},
  };
}

}  // namespace

int main(int argc, char** argv) {
  std::string program;
  std::string only;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::string(argv[i]) == "--server") program = argv[i + 1];
    if (std::string(argv[i]) == "--only") only = argv[i + 1];
  }
  if (program.empty()) {
    std::fprintf(stderr, "usage: bench_server_attacks --server PATH [--only NAME]\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  std::printf("server: %s\n", program.c_str());
  for (const auto& attack : attacks()) {
    if (!only.empty() && only != attack.name) continue;
    const fs::path dir = fs::temp_directory_path() / ("kiv-attack-" + std::to_string(::getpid()) + "-" + attack.name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    {
      // 300 accounts (password "pw"), 10001.. ; a group of 199 owned by 10002 (room for one more).
      std::string error;
      auto store = kiv::server::Store::open((dir / "kiv.db").string(), &error);
      auto tx = store->transaction();
      for (int i = 0; i < 300; ++i) store->accounts().addAccount(phoneOf(i), "pw", "user" + std::to_string(i));
      const auto group = store->groups().createGroup(10002, "big", "260101000000");
      for (int i = 2; i < 200; ++i) store->members().addMember(group, 10001 + static_cast<std::uint32_t>(i));
      tx.commit();
    }
    // As a database made under the usual umask 022 (or by an older version).
    ::chmod((dir / "kiv.db").c_str(), 0644);
    Server server(program, dir);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    GenuineUser genuine(server.chat, phoneOf(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double cpu = server.cpuSeconds();
    const double rss = server.memory("VmRSS:");
    const double log = server.logMiB();
    const auto started = Clock::now();
    const std::string got = attack.run(server, program);
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("\n%s: %s\n  attacker: %s\n", attack.name, attack.what, got.c_str());
    std::printf("  server: %.2f CPU s in %.1f s; memory %.0f -> %.0f MiB (peak %.0f); log +%.3f MiB\n",
                server.cpuSeconds() - cpu, seconds, rss, server.memory("VmRSS:"), server.memory("VmHWM:"),
                server.logMiB() - log);
    std::printf("  genuine user meanwhile: %s\n", genuine.report().c_str());
    std::fflush(stdout);
    fs::remove_all(dir);
  }
  return 0;
}
