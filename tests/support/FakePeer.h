#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/TcpSocket.h"

namespace kiv::test {

// A scripted server for connection tests: listens on 127.0.0.1 (an ephemeral
// port), takes one connection at a time (a new one replaces the old), frames
// what it reads by the header's length field, and answers each received
// packet with whatever the responder returns. The answers can go out one
// write each, all in one write (coalesced), or each split into two writes.
class FakePeer {
 public:
  using Bytes = std::vector<std::uint8_t>;
  // Called on the peer's thread for every packet received; returns the
  // answers to write (possibly none).
  using Responder = std::function<std::vector<Bytes>(const Bytes& packet)>;

  FakePeer();
  ~FakePeer();
  FakePeer(const FakePeer&) = delete;
  FakePeer& operator=(const FakePeer&) = delete;

  std::uint16_t port() const { return port_; }

  void setResponder(Responder responder);
  // All answers to one packet in a single write.
  void setCoalesce(bool on);
  // Every answer written as two pieces, the first `bytes` long, with a short
  // pause between them; 0 turns splitting off.
  void setSplitAt(std::size_t bytes);

  // Writes raw bytes on the current connection; false when there is none.
  bool write(const Bytes& bytes);
  // Closes the current connection (the client sees end of stream); the peer
  // goes on listening.
  void closeConnection();
  // Closes the listening socket too: later connects are refused.
  void stopListening();
  // Ends the peer's thread: once it returns no responder runs any more. A
  // fixture whose responder reads the fixture calls it before the fixture
  // starts to go away.
  void stop();

  int connections() const;
  // Every packet received so far, in order, over all connections.
  std::vector<Bytes> packets() const;
  std::vector<Bytes> packetsOf(std::uint32_t command) const;
  std::size_t countOf(std::uint32_t command) const { return packetsOf(command).size(); }

  bool waitForPackets(std::uint32_t command, std::size_t count,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) const;

 private:
  void run();
  void handle(const Bytes& packet);
  void writeAnswers(const std::vector<Bytes>& answers);

  int listener_ = -1;     // guarded by mutex_ once the thread runs
  int placeholder_ = -1;  // holds the port after stopListening()
  std::uint16_t port_ = 0;
  std::atomic<bool> quit_{false};
  std::thread thread_;

  mutable std::mutex mutex_;  // guards everything below
  TcpSocket connection_;
  Bytes pending_;
  std::vector<Bytes> received_;
  Responder responder_;
  bool coalesce_ = false;
  std::size_t splitAt_ = 0;
  int connections_ = 0;
  bool closeListener_ = false;
  std::condition_variable listenerClosed_;
};

}  // namespace kiv::test
