#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kiv::server {

// One client connection as the request handlers see it: somewhere to send
// answers, a way to end it, and who is signed in on it. The chat port's
// connections implement it over a socket; tests and the fuzz target implement
// it in memory. Used on the chat thread only.
class ClientLink {
 public:
  virtual ~ClientLink() = default;

  // Queues one whole packet for the client.
  virtual void send(std::vector<std::uint8_t> packet) = 0;
  // Sends what is queued, then closes. Nothing is read from the client any more.
  virtual void closeAfterSending() = 0;
  // True once closeAfterSending was called: no further request is handled.
  virtual bool isClosing() const = 0;
  // For the log: the peer's address and port.
  virtual std::string describe() const = 0;

  // The UserId signed in on this connection, 0 when nobody is.
  std::uint32_t userId() const { return userId_; }
  void setUserId(std::uint32_t userId) { userId_ = userId; }
  // The phone number of the signed-in account (for the log and the unasked
  // logout answer's header).
  const std::string& phone() const { return phone_; }
  void setPhone(std::string phone) { phone_ = std::move(phone); }
  // The key the peer's sign-in failures are counted under (its address).
  const std::string& peerKey() const { return peerKey_; }
  void setPeerKey(std::string key) { peerKey_ = std::move(key); }
  // Failed sign-ins on this connection so far.
  int countSignInFailure() { return ++signInFailures_; }

 private:
  std::uint32_t userId_ = 0;
  std::string phone_;
  std::string peerKey_;
  int signInFailures_ = 0;
};

}  // namespace kiv::server
