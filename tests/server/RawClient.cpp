#include "server/RawClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "net/LoginMessages.h"
#include "platform/Clock.h"

namespace kiv::test {

RawClient::RawClient(std::uint16_t port, std::string phone) : phone_(std::move(phone)) {
  if (socket_.connect("127.0.0.1", port, 3000) != 0) socket_.close();
}

RawClient::RawClient(const std::string& from, std::uint16_t port) : socket_(connectFrom(from, port)) {}

TcpSocket connectFrom(const std::string& from, std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  inet_pton(AF_INET, from.c_str(), &local.sin_addr);
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(port);
  inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
      ::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0) {
    return TcpSocket::adopt(fd);
  }
  if (fd >= 0) ::close(fd);
  return TcpSocket();
}

HeaderKey RawClient::key() {
  return freshKey(accountFromPhone(phone_), SystemClock::instance().localNow(), sequence_);
}

bool RawClient::sendBytes(const std::vector<std::uint8_t>& packet) {
  return sendBytes(packet.data(), packet.size());
}

bool RawClient::sendBytes(const void* data, std::size_t size) {
  return socket_.sendAll(data, size, 3000);
}

std::vector<std::uint8_t> RawClient::receive(int timeoutMs) {
  std::vector<std::uint8_t> packet(kMaxPacketSize);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::size_t size = 0;
    if (framer_.next(packet.data(), size) == StreamFramer::Status::kPacket) {
      packet.resize(size);
      return packet;
    }
    if (eof_ || !socket_.isOpen()) return {};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0 || socket_.waitReadable(static_cast<int>(left)) != TcpSocket::kReady) return {};
    std::uint8_t buffer[16384];
    const long n = socket_.receive(buffer, sizeof buffer);
    if (n <= 0) {
      eof_ = true;
      continue;
    }
    framer_.feed(buffer, static_cast<std::size_t>(n));
  }
}

bool RawClient::closedByServer(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!eof_) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0 || socket_.waitReadable(static_cast<int>(left)) != TcpSocket::kReady) return false;
    std::uint8_t buffer[16384];
    if (socket_.receive(buffer, sizeof buffer) <= 0) eof_ = true;
  }
  return true;
}

int RawClient::login(const std::string& phone, const std::string& password, int version) {
  phone_ = phone;
  LoginRequest request;
  request.phone = phone;
  request.password = password;
  request.clientVersion = static_cast<std::uint8_t>(version);
  const auto response = ask<LoginResponse>(request);
  return response.result;
}

HttpResult http(std::uint16_t port, const std::string& request, const std::string& from) {
  TcpSocket socket = connectFrom(from, port);
  if (!socket.isOpen()) return {};
  socket.sendAll(request.data(), request.size(), 3000);
  std::string reply;
  char buffer[8192];
  while (socket.waitReadable(3000) == TcpSocket::kReady) {
    const long n = socket.receive(buffer, sizeof buffer);
    if (n <= 0) break;
    reply.append(buffer, static_cast<std::size_t>(n));
  }
  HttpResult result;
  if (reply.rfind("HTTP/1.1 ", 0) == 0) result.status = std::stoi(reply.substr(9, 3));
  const auto bodyStart = reply.find("\r\n\r\n");
  if (bodyStart != std::string::npos) result.body = reply.substr(bodyStart + 4);
  return result;
}

void expectAnswer(const std::vector<std::uint8_t>& answer, std::uint32_t command, const HeaderKey& key) {
  ASSERT_GE(answer.size(), kHeaderSize) << "no answer";
  EXPECT_EQ(commandOf(answer.data()), command);
  const HeaderKey got = keyOf(answer.data());
  EXPECT_EQ(got.account.high, key.account.high);
  EXPECT_EQ(got.account.low, key.account.low);
  EXPECT_EQ(got.timeStamp, key.timeStamp);
  EXPECT_EQ(got.sequence, key.sequence);
}

}  // namespace kiv::test
