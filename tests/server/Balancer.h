#pragma once

// Real programs beside an in-process server: HAProxy as the load balancer,
// kiv-server processes that a test kills.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "server/RawClient.h"
#include "support/TempDir.h"

extern char** environ;

namespace kiv::test {

inline constexpr const char* kHaproxy = "/usr/sbin/haproxy";

inline std::uint16_t freePort() {
  // Bind to port 0 and read what the system chose.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(fd);
  return ntohs(address.sin_port);
}

// A program this test starts and ends.
class Spawned {
 public:
  explicit Spawned(std::vector<std::string> argv) {
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (posix_spawn(&pid_, args[0], nullptr, nullptr, args.data(), environ) != 0) pid_ = -1;
  }
  ~Spawned() { kill(SIGTERM); }
  bool started() const { return pid_ > 0; }
  void kill(int sig) {
    if (pid_ <= 0) return;
    ::kill(pid_, sig);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

inline bool accepts(std::uint16_t port) {
  return connectFrom("127.0.0.1", port).isOpen();
}

template <class Check>
inline bool within(std::chrono::milliseconds limit, Check check) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (check()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return check();
}

// HAProxy in front of the given chat and web ports, round robin. `chatProxy`
// and `webProxy` are added to each server line ("send-proxy",
// "send-proxy-v2") to pass the client's address on.
class Balancer {
 public:
  Balancer(const TempDir& dir, const std::vector<std::uint16_t>& chat, const std::vector<std::uint16_t>& web,
           const std::string& chatProxy = "", const std::string& webProxy = "")
      : chatPort_(freePort()), webPort_(freePort()) {
    const std::string config = dir.file("haproxy.cfg");
    std::ofstream out(config);
    out << "global\n  maxconn 512\ndefaults\n  mode tcp\n  timeout connect 1s\n  timeout client 60s\n"
           "  timeout server 60s\n  retries 3\n  option redispatch\n";
    auto section = [&](const char* name, std::uint16_t port, const std::vector<std::uint16_t>& servers,
                       const std::string& proxy) {
      out << "listen " << name << "\n  bind 127.0.0.1:" << port << "\n  balance roundrobin\n";
      for (std::size_t i = 0; i < servers.size(); ++i)
        out << "  server s" << i << " 127.0.0.1:" << servers[i] << " check inter 300 fall 1 rise 1 " << proxy << "\n";
    };
    section("chat", chatPort_, chat, chatProxy);
    section("web", webPort_, web, webProxy);
    out.close();
    process_ = std::make_unique<Spawned>(std::vector<std::string>{kHaproxy, "-db", "-f", config});
    within(std::chrono::seconds(10), [&] { return accepts(chatPort_) && accepts(webPort_); });
  }
  std::uint16_t chatPort() const { return chatPort_; }
  std::uint16_t webPort() const { return webPort_; }

 private:
  std::uint16_t chatPort_, webPort_;
  std::unique_ptr<Spawned> process_;
};

}  // namespace kiv::test
