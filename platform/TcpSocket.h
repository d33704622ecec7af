#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kiv {

// A thin owner of one TCP socket (POSIX; Winsock behind _WIN32). Writing to a
// peer that has gone away reports an error; it never raises SIGPIPE.
class TcpSocket {
 public:
  // Results of the waits.
  enum Wait { kReady = 1, kTimeout = 0, kFailed = -1 };

  TcpSocket() = default;
  ~TcpSocket();
  TcpSocket(TcpSocket&& other) noexcept;
  TcpSocket& operator=(TcpSocket&& other) noexcept;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Adopts an already connected descriptor (accept(), socketpair()).
  static TcpSocket adopt(int fd);

  // A listening descriptor on 127.0.0.1 with a port the system chose, which
  // is stored in `port`; -1 on failure. For local peers: test servers, fake
  // web hosts, load generators. The caller closes it.
  static int listenOnLoopback(int backlog, std::uint16_t& port);

  // Connects to a dotted IPv4 address or host name. Waits at most timeoutMs.
  // Returns 0 on success, otherwise the system error code (the socket stays
  // closed).
  int connect(const std::string& host, std::uint16_t port, int timeoutMs);

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void close();

  // Send and receive time-outs of the blocking calls, in milliseconds.
  bool setTimeouts(int sendMs, int receiveMs);
  bool setNonBlocking(bool on);

  Wait waitReadable(int timeoutMs) const;
  Wait waitWritable(int timeoutMs) const;

  // Puts all `size` bytes on the wire, waiting at most timeoutMs in all for
  // the socket to take them. True when every byte was written; on false the
  // stream may hold part of the data, so the caller must drop the connection.
  bool sendAll(const void* data, std::size_t size, int timeoutMs);

  // One receive call: the number of bytes read, 0 at end of stream, -1 on an
  // error (errno set; EAGAIN/EWOULDBLOCK when nothing is there in
  // non-blocking mode).
  long receive(void* buffer, std::size_t size);

  // The system error code of the last failed call on this thread.
  static int lastError();

 private:
  explicit TcpSocket(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace kiv
