#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "server/TrustedNetworks.h"

namespace kiv::server {

using Millis = std::chrono::milliseconds;

// What one port lets in at a time: every connection holds a descriptor and
// some memory, so a crowd from one address must not take what others need.
struct ConnectionCaps {
  std::size_t total = 0;
  std::size_t perAddress = 0;
};

// How long a chat connection may take for what it has to do.
struct ChatTimes {
  Millis signIn{15'000};   // from connecting to a successful sign-in
  Millis packet{20'000};   // from the first byte of a packet to its last
  Millis idle{180'000};    // a signed-in client polls every ten seconds
};

// The web port's limits on one request.
struct WebLimits {
  Millis header{10'000};              // the request line and headers
  Millis body{60'000};                // the whole body, once the headers are in
  std::size_t bodyBytes = 2 * 1024 * 1024;
  std::size_t fieldBytes = 1024;      // one text field of the upload form
  std::size_t parts = 16;             // parts of the upload form
};

// Failed sign-ins, counted per account and per source address on both ports.
struct SignInLimits {
  int accountFreeFailures = 5;   // then every failure doubles the wait
  int addressFreeFailures = 30;  // an office behind one address mistypes too
  Millis longestWait{60'000};    // the doubling stops here: a temporary lock
  Millis forgetAfter{900'000};   // failures this old no longer count
  int failuresPerConnection = 3; // then the connection is closed
  Millis longestHold{10'000};    // a shorter wait holds the answer instead of refusing
};

// What one signed-in user may make the server store.
struct Quotas {
  double sendBurst = 60;           // messages at once ...
  double sendPerSecond = 1;        // ... then this many a second
  double rowsBurst = 6000;         // waiting records a sender's messages make at once ...
  double rowsPerSecond = 300;      // ... then this many a second
  std::size_t waitingRows = 10'000;            // waiting records per recipient
  std::size_t waitingBytes = 2 * 1024 * 1024;  // their text bytes per recipient
  std::size_t keptAnswers = 64;    // answers kept for repeats, per user
};

// How a ChatServer runs. The command line fills it; tests pick port 0 (any
// free port) and short times, and read the real ports back from the server.
struct ServerOptions {
  std::string databasePath = "kiv-server.db";
  std::string bindAddress = "127.0.0.1";
  std::uint16_t chatPort = 7838;
  std::uint16_t webPort = 80;
  bool webEnabled = true;
  bool refuseSecondLogin = false;
  // Load balancers that put a PROXY header in front of each connection they
  // pass on, on both ports; empty: none is believed.
  TrustedNetworks balancers;

  ConnectionCaps chatCaps{10'000, 500};
  ConnectionCaps webCaps{1'024, 128};
  ChatTimes chatTimes;
  WebLimits web;
  SignInLimits signIn;
  Quotas quotas;

  // Where the log goes: a file (created 0600) or, when empty, standard
  // error. Without echo the lines are only kept in memory for tests.
  std::string logPath;
  bool echoLog = true;
  std::size_t logLineBytes = 1024;
};

}  // namespace kiv::server
