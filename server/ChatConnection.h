#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <array>
#include <boost/asio.hpp>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "server/ChatProtocol.h"
#include "server/ClientLink.h"

namespace kiv::server {

// One client on the chat port. Reads whatever arrives and hands it to its
// ChatProtocol; writes answers from a queue, one asynchronous write at a time,
// so a client that does not read never holds up the others. A client whose
// queue passes kMaxQueuedBytes is not reading at all and is dropped. A
// connection that sends nothing for the idle time is closed too (a signed-in
// client polls every ten seconds).
class ChatConnection : public ClientLink, public std::enable_shared_from_this<ChatConnection> {
 public:
  static constexpr std::size_t kMaxQueuedBytes = 256 * 1024;

  ChatConnection(boost::asio::ip::tcp::socket socket, RequestDispatcher& dispatcher, ServerLog& log,
                 std::chrono::seconds idleTime, std::function<void(ChatConnection*)> onClosed);

  void start();
  // Closes at once, dropping what is queued (server shutdown).
  void abort();

  void send(std::vector<std::uint8_t> packet) override;
  void closeAfterSending() override;
  bool isClosing() const override { return closing_; }
  std::string describe() const override { return peer_; }

 private:
  void read();
  void write();
  void armIdleTimer();
  void finish();

  boost::asio::ip::tcp::socket socket_;
  boost::asio::steady_timer idleTimer_;
  std::chrono::seconds idleTime_;
  RequestDispatcher& dispatcher_;
  ServerLog& log_;
  ChatProtocol protocol_;
  std::function<void(ChatConnection*)> onClosed_;
  std::string peer_;
  std::array<std::uint8_t, 16384> buffer_{};
  std::deque<std::vector<std::uint8_t>> queue_;
  std::size_t queuedBytes_ = 0;
  bool writing_ = false;
  bool closing_ = false;
  bool finished_ = false;
};

}  // namespace kiv::server
