#pragma once

#include <string>

#include "platform/Endpoint.h"

namespace kiv {

// How the program runs: the chat server it signs in to (and asks for
// forgotten passwords), and the pace of the protocol's pauses.
struct AppSettings {
  Endpoint server = chatServerEndpoint();
  // Scales every mandated pause: the connection's cycles and the login
  // window's timer, time-out and closing pause. 1 in use; tests that drive
  // the real program set KIV_PACE (e.g. 0.05) to run the same steps faster.
  double pace = 1.0;

  // KIV_SERVER and KIV_PACE, read once at start.
  static AppSettings fromEnvironment();
};

}  // namespace kiv
