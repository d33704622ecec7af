#include "platform/TcpSocket.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kiv {
namespace {

#ifdef _WIN32
int closeFd(int fd) {
  return closesocket(static_cast<SOCKET>(fd));
}
#else
int closeFd(int fd) {
  return ::close(fd);
}
#endif

TcpSocket::Wait waitFor(int fd, short events, int timeoutMs) {
  if (fd < 0) return TcpSocket::kFailed;
#ifdef _WIN32
  WSAPOLLFD p{static_cast<SOCKET>(fd), events, 0};
  const int r = WSAPoll(&p, 1, timeoutMs);
#else
  pollfd p{fd, events, 0};
  int r;
  do {
    r = ::poll(&p, 1, timeoutMs);
  } while (r < 0 && errno == EINTR);
#endif
  if (r < 0) return TcpSocket::kFailed;
  if (r == 0) return TcpSocket::kTimeout;
  if (p.revents & POLLNVAL) return TcpSocket::kFailed;
  // An error or hang-up still counts as ready: the next call reports it.
  return TcpSocket::kReady;
}

}  // namespace

TcpSocket::~TcpSocket() {
  close();
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

TcpSocket TcpSocket::adopt(int fd) {
  return TcpSocket(fd);
}

int TcpSocket::listenOnLoopback(int backlog, std::uint16_t& port) {
  const int fd = static_cast<int>(::socket(AF_INET, SOCK_STREAM, 0));
  if (fd < 0) return -1;
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&one), sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, backlog) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closeFd(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

void TcpSocket::close() {
  if (fd_ >= 0) {
    closeFd(fd_);
    fd_ = -1;
  }
}

int TcpSocket::lastError() {
#ifdef _WIN32
  return WSAGetLastError();
#else
  return errno;
#endif
}

int TcpSocket::connect(const std::string& host, std::uint16_t port, int timeoutMs) {
  close();
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) return EHOSTUNREACH;
  int result = ECONNREFUSED;
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const int fd = static_cast<int>(::socket(a->ai_family, a->ai_socktype, a->ai_protocol));
    if (fd < 0) {
      result = lastError();
      continue;
    }
#ifdef SO_NOSIGPIPE
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
    fd_ = fd;
    setNonBlocking(true);
    int r = ::connect(fd, a->ai_addr, a->ai_addrlen);
    if (r != 0 && (errno == EINPROGRESS || errno == EWOULDBLOCK)) {
      if (waitWritable(timeoutMs) == kReady) {
        int err = 0;
        socklen_t len = sizeof err;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len);
        r = err == 0 ? 0 : -1;
        errno = err;
      } else {
        errno = ETIMEDOUT;
      }
    }
    if (r == 0) {
      setNonBlocking(false);
      int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&one), sizeof one);
      freeaddrinfo(found);
      return 0;
    }
    result = errno != 0 ? errno : ECONNREFUSED;
    close();
  }
  freeaddrinfo(found);
  return result;
}

bool TcpSocket::setTimeouts(int sendMs, int receiveMs) {
  if (fd_ < 0) return false;
#ifdef _WIN32
  DWORD s = sendMs, r = receiveMs;
  return setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<char*>(&s), sizeof s) == 0 &&
         setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&r), sizeof r) == 0;
#else
  timeval s{sendMs / 1000, (sendMs % 1000) * 1000};
  timeval r{receiveMs / 1000, (receiveMs % 1000) * 1000};
  return setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &s, sizeof s) == 0 &&
         setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &r, sizeof r) == 0;
#endif
}

bool TcpSocket::setNonBlocking(bool on) {
  if (fd_ < 0) return false;
#ifdef _WIN32
  u_long mode = on ? 1 : 0;
  return ioctlsocket(fd_, FIONBIO, &mode) == 0;
#else
  const int flags = fcntl(fd_, F_GETFL, 0);
  if (flags < 0) return false;
  return fcntl(fd_, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
#endif
}

TcpSocket::Wait TcpSocket::waitReadable(int timeoutMs) const {
  return waitFor(fd_, POLLIN, timeoutMs);
}

TcpSocket::Wait TcpSocket::waitWritable(int timeoutMs) const {
  return waitFor(fd_, POLLOUT, timeoutMs);
}

bool TcpSocket::sendAll(const void* data, std::size_t size, int timeoutMs) {
  if (fd_ < 0) return false;
  const auto* p = static_cast<const char*>(data);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (size > 0) {
#ifdef _WIN32
    const long n = ::send(fd_, p, static_cast<int>(size), 0);
#else
    const long n = ::send(fd_, p, size, MSG_NOSIGNAL);
#endif
    if (n > 0) {
      p += n;
      size -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || waitWritable(static_cast<int>(left.count())) != kReady) return false;
      continue;
    }
    return false;
  }
  return true;
}

long TcpSocket::receive(void* buffer, std::size_t size) {
  if (fd_ < 0) return -1;
  long n;
  do {
#ifdef _WIN32
    n = ::recv(fd_, static_cast<char*>(buffer), static_cast<int>(size), 0);
#else
    n = ::recv(fd_, buffer, size, 0);
#endif
  } while (n < 0 && errno == EINTR);
  return n;
}

}  // namespace kiv
