#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> in C++20.
#include <utility>

#include <array>
#include <boost/asio.hpp>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "server/ChatProtocol.h"
#include "server/ClientLink.h"
#include "server/ServerOptions.h"

namespace kiv::server {

// One client on the chat port. Reads whatever arrives and hands it to its
// ChatProtocol; writes answers from a queue, one asynchronous write at a time,
// so a client that does not read never holds up the others. A client whose
// queue passes kMaxQueuedBytes is not reading at all and is dropped. Three
// deadlines close a connection that only holds a place: it must sign in
// within the sign-in time, finish a packet it started within the packet time,
// and, signed in, send something within the idle time (a client polls every
// ten seconds). While a request is held (a sign-in that has to wait) nothing
// more is read.
class ChatConnection : public ClientLink, public std::enable_shared_from_this<ChatConnection> {
 public:
  static constexpr std::size_t kMaxQueuedBytes = 256 * 1024;
  // How long a connection that said goodbye waits for its client to close.
  static constexpr std::chrono::seconds kLinger{2};

  ChatConnection(boost::asio::ip::tcp::socket socket, RequestDispatcher& dispatcher, ServerLog& log, ChatTimes times,
                 std::shared_ptr<void> ticket, std::function<void(ChatConnection*)> onClosed);

  // `early`: what the client sent before this connection was handed over
  // (the bytes that came with a balancer's PROXY header).
  void start(const std::string& early = {});
  // The peer's address and port for the log, when it is not the socket's own
  // (a client behind a load balancer).
  void setPeerName(std::string name) { peer_ = std::move(name); }
  // Closes at once, dropping what is queued (server shutdown).
  void abort();

  void send(std::vector<std::uint8_t> packet) override;
  void closeAfterSending() override;
  bool isClosing() const override { return closing_; }
  std::string describe() const override { return peer_; }

 private:
  using Clock = std::chrono::steady_clock;

  void read();
  // Hands the `n` bytes at the start of the buffer to the protocol.
  void received(std::size_t n);
  void handle(ChatProtocol::Outcome outcome);
  void write();
  // Arms the deadline timer for the earliest deadline, unless it is armed
  // for an earlier one already.
  void armDeadline();
  void deadlinePassed();
  // The earliest deadline that applies now, and why it would close.
  Clock::time_point nextDeadline(const char** why) const;
  void finish();
  // The graceful end after the last answer went out.
  void linger();

  boost::asio::ip::tcp::socket socket_;
  boost::asio::steady_timer deadline_;
  boost::asio::steady_timer hold_;
  ChatTimes times_;
  RequestDispatcher& dispatcher_;
  ServerLog& log_;
  ChatProtocol protocol_;
  std::shared_ptr<void> ticket_;  // this connection's place within the caps
  std::function<void(ChatConnection*)> onClosed_;
  std::string peer_;
  std::array<std::uint8_t, 16384> buffer_{};
  std::deque<std::vector<std::uint8_t>> queue_;
  std::size_t queuedBytes_ = 0;
  Clock::time_point signInBy_;         // pushed back by the time spent held
  Clock::time_point lastHeard_;
  Clock::time_point packetStarted_;    // when the unfinished packet began
  Clock::time_point armedFor_ = Clock::time_point::max();
  bool holding_ = false;
  bool signedIn_ = false;
  bool writing_ = false;
  bool closing_ = false;
  bool reading_ = false;    // a read is outstanding
  bool lingering_ = false;  // said goodbye; reading and forgetting what still comes
  bool finished_ = false;
};

}  // namespace kiv::server
