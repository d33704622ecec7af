#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/ConnectionOptions.h"
#include "net/NetObserver.h"
#include "net/Packet.h"
#include "net/PendingRequest.h"

namespace kiv {

class Connection;

// The one connection to the chat server as the program uses it. A sender
// thread connects, signs in, polls for notices every 10 cycles, asks for the
// group and friend lists every 120 cycles and (re)sends the queued requests;
// a receive thread reads, cuts the stream into packets and hands every
// answer to whoever asked.
//
//   NetClient client;                       // production timing and clock
//   client.setObserver(observer);           // login results, notices, groups
//   client.SetServer("127.0.0.1", 7838);
//   client.SetAccount("13800000000", "secret");
//   client.Start();
//   client.Enqueue(UserInfoRequest{1000}.build(client.newKey()), askerHandle);
//   ...
//   client.Shutdown();
//
// Answers to queued requests arrive on the receive thread through the
// ReceiverRegistry (a closed receiver's answer is dropped). The flags may be
// read from any thread at any time.
class NetClient {
 public:
  using Options = ConnectionOptions;

  NetClient();
  explicit NetClient(Options options);
  // Shuts down if still running.
  ~NetClient();
  NetClient(const NetClient&) = delete;
  NetClient& operator=(const NetClient&) = delete;

  // --- configuration (before Start) ---
  void SetServer(const std::string& address, std::uint16_t port);
  // Phone and password as GBK text (digits in practice); the phone also gives
  // the account number of every header.
  void SetAccount(const std::string& phone, const std::string& password);
  // Receives the connection events; kept alive by the client while in use.
  void setObserver(std::shared_ptr<NetObserver> observer);
  // Asks the own profile after each login (the login window); 0 for none.
  void setLoginAsker(ReceiverHandle asker);
  // Receives the friend list asked every 120 cycles (the main window).
  void setMainAsker(ReceiverHandle asker);

  // --- life cycle ---
  // Starts the receive and sender threads after the threads of an earlier
  // start have ended (or are blocked in an observer or receiver call, in which
  // case they end as soon as that call returns, doing nothing more). 0 when
  // both started, -1 otherwise.
  int Start();
  // Logs out and closes the connection; with `stop` the threads end too (going
  // offline, Start brings them back) and stopped() is true at once. Without it
  // (the main window is closing and Shutdown follows) the threads end as well
  // but the stopped flag stays clear. Returns at once: the goodbye and its
  // pauses run on a thread of the connection.
  void GoOffline(bool stop);
  // Sets the stopped flag and closes the connection without a word to the
  // server: both threads end at their next look (an abandoned login).
  void Stop();
  // Program exit: logs out a signed-in connection, stops both threads and
  // waits for them unless one is inside an observer or receiver call. Never
  // blocks on the UI thread.
  void Shutdown();

  // --- requests ---
  // A fresh header key (account, time stamp, sequence) for a request.
  HeaderKey newKey() const;
  // Stores a request for sending; its answer goes to `asker`. 0 (also when the
  // table is full and the request is dropped), -1 for a length outside
  // 24..9012, -2 without an asker.
  int Enqueue(int length, ReceiverHandle asker, const std::uint8_t* packet);
  int Enqueue(const std::vector<std::uint8_t>& packet, ReceiverHandle asker);

  // --- state ---
  bool stopped() const;
  bool connected() const;
  bool loggedIn() const;
  // The own UserId from the last own-profile answer (0 before the first).
  std::uint32_t ownUserId() const;
  std::string phone() const;
  // Requests waiting in the table (for tests and diagnostics).
  int pendingRequests() const;

  // Hands `data` to the receive path as if it had been read from the
  // connection (framing, dispatch by command, pairing, observer and receiver
  // calls), on the calling thread. False when the bytes would have dropped
  // the connection. For fuzzing and tests, not while the threads run.
  bool injectReceived(const std::uint8_t* data, std::size_t size);

  // Waits until no thread of any start is running any more. For tests and for
  // a clean process exit after the UI thread let go of a blocked call.
  bool waitForThreads(std::chrono::milliseconds timeout);

 private:
  std::shared_ptr<Connection> connection_;
};

}  // namespace kiv
