#include "net/SmsPasswordExchange.h"

#include <chrono>
#include <cstdint>

#include "net/Packet.h"
#include "net/SmsPasswordMessages.h"
#include "platform/TcpSocket.h"

namespace kiv {

SmsPasswordExchange::SmsPasswordExchange(Endpoint server, const Clock& clock, int timeoutMs)
    : server_(std::move(server)), clock_(clock), timeoutMs_(timeoutMs) {}

int SmsPasswordExchange::RequestSmsPassword(const std::string& phone) const {
  TcpSocket socket;
  if (socket.connect(server_.host, server_.port, timeoutMs_) != 0) return kConnectFailed;
  socket.setTimeouts(timeoutMs_, timeoutMs_);
  if (phone.size() != SmsPasswordRequest::kPhoneWidth) return SmsPasswordResponse::kMalformedNumber;

  // The header carries the account number like every other header, although
  // the server needs only the phone text.
  const auto request =
      SmsPasswordRequest{phone}.build(freshKey(accountFromPhone(phone), clock_.localNow(), smsSequence()));
  if (!socket.sendAll(request.data(), request.size(), timeoutMs_)) return kWriteFailed;

  // Exactly 25 bytes make the answer. One that arrives in pieces is joined;
  // anything longer in the same read, or a shorter one, is a failure.
  std::uint8_t answer[kMaxPacketSize] = {};
  std::size_t got = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
  while (got < SmsPasswordResponse::kLength) {
    const long n = socket.receive(answer + got, sizeof answer - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
    if (std::chrono::steady_clock::now() >= deadline) break;
  }
  if (got != SmsPasswordResponse::kLength) return kBadAnswerLength;
  if (commandOf(answer) != SmsPasswordResponse::kCommand) return kBadAnswerCommand;
  return SmsPasswordResponse::read(answer, got).result;
}

}  // namespace kiv
