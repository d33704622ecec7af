#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace kiv {

class TcpSocket;

// The connection's one socket, shared by the sender, the receiver and the
// goodbye. The lock guards only the exchange of the pointer: users keep
// their own reference, so a socket closes when its last user lets go, and no
// socket call ever happens under it. Writes are whole packets or nothing.
class SocketSlot {
 public:
  static constexpr int kTimeoutMs = 4000;

  // `onDropped` runs whenever the connection is dropped (not when closed).
  explicit SocketSlot(std::function<void()> onDropped) : onDropped_(std::move(onDropped)) {}

  std::shared_ptr<TcpSocket> current();
  bool connected() const { return connected_; }
  void setConnected(bool on) { connected_ = on; }

  // Lets go of any socket and connects anew: 0, or the error of the connect.
  int connect(const std::string& address, std::uint16_t port, int timeoutMs);

  // A failed write may have left part of the packet on the wire, after which
  // the stream is useless: the connection is dropped. False also without one.
  bool send(const std::uint8_t* packet, std::size_t length);
  // One read under the receive lock; `error` is the system's on failure.
  long receive(TcpSocket& socket, std::uint8_t* buffer, std::size_t size, int& error);

  // Drops `seen` if it is still the connection: the sender connects anew in
  // its next cycle. A connection that was already replaced is left alone.
  bool drop(const std::shared_ptr<TcpSocket>& seen);
  // Closes the connection, first reading what is left so that the close does
  // not reset it before the server had our last packet.
  void close();

 private:
  std::function<void()> onDropped_;
  std::atomic<bool> connected_{false};
  std::mutex socketLock_;
  std::shared_ptr<TcpSocket> socket_;
  std::mutex sendLock_;
  std::mutex receiveLock_;
};

}  // namespace kiv
