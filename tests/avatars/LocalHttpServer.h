#pragma once

#include "platform/TcpSocket.h"

// A tiny HTTP/1.1 server on 127.0.0.1 for tests of the avatar download and the
// multipart upload: one connection at a time, one request per connection,
// answered by a test-chosen handler. Header-only so the storage and avatar
// suites can share it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kiv::test {

struct HttpRequest {
  std::string method;
  std::string target;   // e.g. "/upload/user/7.jpg"
  std::string headers;  // the raw header block, request line excluded
  std::string body;
  std::size_t announcedLength = 0;  // Content-Length as sent
};

struct HttpReply {
  int status = 200;
  std::string body;
  // Announce this many body bytes (default: body.size()), send `body`, then
  // close: a download that breaks off half-way.
  std::size_t announce = static_cast<std::size_t>(-1);
  // Send nothing at all and hold the connection until the server stops.
  bool silent = false;
};

class LocalHttpServer {
 public:
  using Handler = std::function<HttpReply(const HttpRequest&)>;

  explicit LocalHttpServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = TcpSocket::listenOnLoopback(64, port_);
    [[maybe_unused]] const int piped = ::pipe(wake_);
    thread_ = std::thread([this] { run(); });
  }

  ~LocalHttpServer() {
    stopping_ = true;
    const char byte = 1;
    [[maybe_unused]] auto ignored = ::write(wake_[1], &byte, 1);
    thread_.join();
    ::close(listener_);
    ::close(wake_[0]);
    ::close(wake_[1]);
  }

  std::uint16_t port() const { return port_; }
  int requestCount() const { return count_.load(); }
  std::vector<HttpRequest> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  // Waits until fd is readable or the server stops. False on stop.
  bool waitReadable(int fd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0) {
    }
    return (fds[1].revents & POLLIN) == 0;
  }

  void run() {
    while (!stopping_) {
      if (!waitReadable(listener_)) return;
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      serve(client);
      ::close(client);
    }
  }

  void serve(int client) {
    std::string data;
    char buffer[8192];
    std::size_t headerEnd = std::string::npos;
    while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos) {
      if (!waitReadable(client)) return;
      const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      data.append(buffer, static_cast<std::size_t>(n));
    }
    HttpRequest request;
    const std::size_t lineEnd = data.find("\r\n");
    const std::string line = data.substr(0, lineEnd);
    request.method = line.substr(0, line.find(' '));
    const std::size_t targetStart = line.find(' ') + 1;
    request.target = line.substr(targetStart, line.find(' ', targetStart) - targetStart);
    request.headers = data.substr(lineEnd + 2, headerEnd + 2 - (lineEnd + 2));
    std::string lower = request.headers;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t lengthAt = lower.find("content-length:");
    if (lengthAt != std::string::npos) request.announcedLength = std::stoul(lower.substr(lengthAt + 15));
    request.body = data.substr(headerEnd + 4);
    while (request.body.size() < request.announcedLength) {
      if (!waitReadable(client)) return;
      const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;  // the client gave up; record what came
      request.body.append(buffer, static_cast<std::size_t>(n));
    }
    HttpReply reply = handler_(request);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    ++count_;
    if (reply.silent) {
      waitReadable(client);  // until the client hangs up or the server stops
      return;
    }
    const std::size_t announced = reply.announce == static_cast<std::size_t>(-1) ? reply.body.size() : reply.announce;
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) +
                      " X\r\nContent-Length: " + std::to_string(announced) + "\r\nConnection: close\r\n\r\n" +
                      reply.body;
    std::size_t sent = 0;
    while (sent < out.size()) {
      const ssize_t n = ::send(client, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
  }

  Handler handler_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> count_{0};
  mutable std::mutex mutex_;
  std::vector<HttpRequest> requests_;
  std::thread thread_;
};

}  // namespace kiv::test
