#include "net/SocketSlot.h"

#include "platform/TcpSocket.h"

namespace kiv {

std::shared_ptr<TcpSocket> SocketSlot::current() {
  std::lock_guard lock(socketLock_);
  return socket_;
}

int SocketSlot::connect(const std::string& address, std::uint16_t port, int timeoutMs) {
  std::shared_ptr<TcpSocket> old;
  {
    std::lock_guard lock(socketLock_);
    old = std::move(socket_);
  }
  old.reset();
  auto sock = std::make_shared<TcpSocket>();
  const int error = sock->connect(address, port, timeoutMs);
  if (error != 0) return error;
  sock->setTimeouts(kTimeoutMs, kTimeoutMs);
  sock->setNonBlocking(true);
  std::lock_guard lock(socketLock_);
  socket_ = std::move(sock);
  return 0;
}

bool SocketSlot::send(const std::uint8_t* packet, std::size_t length) {
  const auto sock = current();
  if (!sock) return false;
  bool ok;
  {
    std::lock_guard lock(sendLock_);
    ok = sock->sendAll(packet, length, kTimeoutMs);
  }
  if (!ok) drop(sock);
  return ok;
}

long SocketSlot::receive(TcpSocket& socket, std::uint8_t* buffer, std::size_t size, int& error) {
  std::lock_guard lock(receiveLock_);
  const long got = socket.receive(buffer, size);
  if (got < 0) error = TcpSocket::lastError();
  return got;
}

bool SocketSlot::drop(const std::shared_ptr<TcpSocket>& seen) {
  std::shared_ptr<TcpSocket> gone;
  {
    std::lock_guard lock(socketLock_);
    if (socket_ != seen) return false;
    gone = std::move(socket_);
  }
  onDropped_();
  connected_ = false;
  return true;
}

void SocketSlot::close() {
  std::shared_ptr<TcpSocket> gone;
  {
    std::lock_guard lock(socketLock_);
    gone = std::move(socket_);
  }
  if (gone) {
    std::uint8_t sink[512];
    for (int i = 0; i < 64 && gone->receive(sink, sizeof sink) > 0; ++i) {
    }
  }
  connected_ = false;
}

}  // namespace kiv
