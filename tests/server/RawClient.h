#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/Packet.h"
#include "net/StreamFramer.h"
#include "platform/TcpSocket.h"

namespace kiv::test {

// A bare protocol client for server tests: builds requests with the real
// message builders, frames what comes back, and waits with a time-out so a
// missing answer fails the test instead of hanging it.
class RawClient {
 public:
  explicit RawClient(std::uint16_t port, std::string phone = "");
  // Connects from the loopback address `from` (such as "127.0.0.2"), so that
  // limits per source address can be tried.
  RawClient(const std::string& from, std::uint16_t port);

  bool connected() const { return socket_.isOpen(); }
  void setPhone(std::string phone) { phone_ = std::move(phone); }
  // A fresh key for this client's account (own sequence counter).
  HeaderKey key();

  bool sendBytes(const std::vector<std::uint8_t>& packet);
  bool sendBytes(const void* data, std::size_t size);
  // The next whole packet, or an empty vector after `timeoutMs` or when the
  // server closed the connection.
  std::vector<std::uint8_t> receive(int timeoutMs = 5000);
  // True when the server closes the connection within `timeoutMs` (anything
  // it still sends before is skipped).
  bool closedByServer(int timeoutMs = 5000);

  // Sends `request` and reads the next packet as `Response`; fails the test
  // when it has another command or another key.
  template <class Response, class Request>
  Response ask(const Request& request);

  // Signs in; the login result.
  int login(const std::string& phone, const std::string& password, int version = 5);

 private:
  TcpSocket socket_;
  StreamFramer framer_;
  SequenceCounter sequence_;
  std::string phone_;
  bool eof_ = false;
};

// A connection from the loopback address `from` to 127.0.0.1:`port`; closed
// when it cannot be made.
TcpSocket connectFrom(const std::string& from, std::uint16_t port);

// One HTTP request on its own connection from `from`, read until the server
// closes it: the status (0 for none) and the body.
struct HttpResult {
  int status = 0;
  std::string body;
};
HttpResult http(std::uint16_t port, const std::string& request, const std::string& from = "127.0.0.1");

// Checks an answer's command and key; used by ask().
void expectAnswer(const std::vector<std::uint8_t>& answer, std::uint32_t command, const HeaderKey& key);

template <class Response, class Request>
Response RawClient::ask(const Request& request) {
  const HeaderKey k = key();
  sendBytes(request.build(k));
  const auto answer = receive();
  expectAnswer(answer, Response::kCommand, k);
  return Response::read(answer.data(), answer.size());
}

}  // namespace kiv::test
