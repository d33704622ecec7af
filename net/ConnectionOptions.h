#pragma once

#include <string>

namespace kiv {

class Clock;
class ReceiverRegistry;

// How a connection is made up: its clock, the pace of its cycles, where it
// logs and where answers find their receivers.
struct ConnectionOptions {
  const Clock* clock = nullptr;          // nullptr: the system clock
  double pauseScale = 1.0;               // tests run the same cycles faster
  std::string logDirectory;              // empty: the program's Log directory
  ReceiverRegistry* registry = nullptr;  // nullptr: ReceiverRegistry::global()
};

}  // namespace kiv
