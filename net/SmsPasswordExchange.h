#pragma once

#include <string>

#include "platform/Clock.h"
#include "platform/Endpoint.h"

namespace kiv {

// Asks the server to send a forgotten password by SMS, on a short-lived
// blocking connection of its own (its own sequence counter too), while the
// NetClient may not even be running.
//
// Results: 0 sent, 1 not a user, 2 malformed number (also said without asking
// when the number is not 11 characters long), any other byte value the server
// gives, or one of the negative failures below.
class SmsPasswordExchange {
 public:
  static constexpr int kWriteFailed = -62;       // the request did not go out whole
  static constexpr int kBadAnswerLength = -63;   // the answer was not exactly 25 bytes
  static constexpr int kBadAnswerCommand = -64;  // something other than the SMS answer
  static constexpr int kConnectFailed = -65;     // no connection to the server

  explicit SmsPasswordExchange(Endpoint server = chatServerEndpoint(), const Clock& clock = SystemClock::instance(),
                               int timeoutMs = 7000);

  int RequestSmsPassword(const std::string& phone) const;

 private:
  Endpoint server_;
  const Clock& clock_;
  int timeoutMs_;
};

}  // namespace kiv
