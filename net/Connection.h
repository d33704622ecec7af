#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "net/ConnectionOptions.h"
#include "net/NetObserver.h"
#include "net/PendingRequest.h"
#include "net/RequestTable.h"
#include "net/SignInSession.h"
#include "net/SocketSlot.h"
#include "net/StreamFramer.h"
#include "net/WorkerThreads.h"
#include "platform/Log.h"
#include "platform/Pauser.h"

namespace kiv {

class Clock;
class ReceiverRegistry;

// The connection to the chat server: the socket, the sender thread (connects,
// lets the sign-in session log in, polls, resends the queued requests), the
// receive thread (cuts the stream into packets, hands the sign-in answers to
// the session and every other answer to whoever asked) and the goodbye.
// The threads hold it by shared pointer, so a thread still blocked in an
// observer call when the client goes away finds everything intact.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  explicit Connection(const ConnectionOptions& options);
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The receiver of the own profile asked after every login: registered once
  // the connection is owned by a shared pointer, removed when its owner goes.
  void registerOwnProfileReceiver();
  void unregisterOwnProfileReceiver();
  // The answer to that request (on the receive thread).
  void ownProfileArrived(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                         std::uint32_t command);

  SignInSession& session() { return session_; }
  const SignInSession& session() const { return session_; }
  void setServer(const std::string& address, std::uint16_t port);
  void setObserver(std::shared_ptr<NetObserver> observer);
  void setLoginAsker(ReceiverHandle asker) { loginAsker_ = asker; }
  void setMainAsker(ReceiverHandle asker) { mainAsker_ = asker; }

  int start();
  void goOffline(bool stop);
  void abandon();
  void shutdown();
  // Whether a thread runs outside a call out, or a connection is open.
  bool active() const { return threads_.busy() || socket_.connected(); }

  int enqueue(int length, ReceiverHandle asker, const std::uint8_t* packet) {
    return table_.enqueue(length, asker, packet);
  }
  int pendingRequests() const { return table_.inUse(); }
  bool stopped() const { return stopped_ || leaving_; }
  bool connected() const { return socket_.connected(); }

  bool injectReceived(const std::uint8_t* data, std::size_t size);
  bool waitForThreads(std::chrono::milliseconds timeout) { return threads_.waitForAll(timeout); }

 private:
  // After a packet: go on, drop the connection (it cannot be trusted any
  // more), or end the thread (its generation is over).
  enum class Next { kGoOn, kDropped, kEnd };

  bool live(std::uint64_t gen) const { return threads_.current(gen) && !stopped_; }
  void stop();
  std::shared_ptr<NetObserver> observerNow() const;
  bool send(const std::uint8_t* packet, std::size_t length) { return socket_.send(packet, length); }
  bool sendLogout(bool final);
  bool spawn(void (Connection::*main)(std::uint64_t), std::uint64_t gen);

  // --- sender thread ---
  void senderMain(std::uint64_t gen);
  int connectOnce();
  void loginAttempt();
  void signedInCycle(std::uint64_t gen, PendingRequest* due);
  void resendPass(std::uint64_t gen, PendingRequest* due);

  // --- receive thread ---
  void receiveMain(std::uint64_t gen);
  Next deliver(std::uint64_t gen, StreamFramer& framer, const std::uint8_t* data, std::size_t size,
               std::uint8_t* packet, PendingRequest& answered);
  Next dispatch(std::uint64_t gen, const std::uint8_t* packet, std::size_t size, PendingRequest& answered);
  bool onLoginAnswer(std::uint64_t gen, const std::uint8_t* packet, std::size_t size);
  void disconnect(const std::shared_ptr<TcpSocket>& sock);
  void endOfReceiveThread(std::uint64_t gen);

  // --- goodbye thread ---
  void goodbyeMain(std::uint64_t gen, bool stop);

  const Clock& clock_;
  ReceiverRegistry& registry_;
  Pauser pauser_;
  Log log_;
  RequestTable table_;
  SignInSession session_;
  SocketSlot socket_;
  WorkerThreads threads_;

  std::atomic<bool> stopped_{false};
  // The user went offline; the goodbye may still be under way.
  std::atomic<bool> leaving_{false};
  std::atomic<ReceiverHandle> loginAsker_{0};
  std::atomic<ReceiverHandle> mainAsker_{0};
  ReceiverHandle ownProfileHandle_ = 0;
  StreamFramer injectFramer_;  // for bytes handed in by injectReceived

  mutable std::mutex configLock_;
  std::string serverAddress_ = "127.0.0.1";
  std::uint16_t serverPort_ = 7838;
  std::shared_ptr<NetObserver> observer_;
};

}  // namespace kiv
