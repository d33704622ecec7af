#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "server/Store.h"

namespace kiv::server {

// The admin commands of the command line, run against the database file
// (also while a server serves it). Texts on the command line are UTF-8 and
// are stored as GBK. Each command prints its result to `out` and problems to
// `err`, and returns the process exit status: 0 done, 1 refused, 2 bad use.
class AdminCommands {
 public:
  AdminCommands(Store& store, std::ostream& out, std::ostream& err, const Clock& clock = SystemClock::instance())
      : store_(store), out_(out), err_(err), clock_(clock) {}

  // True for the commands run() knows.
  static bool isAdminCommand(const std::string& command);
  int run(const std::string& command, const std::vector<std::string>& arguments);

  // The single commands, also used by seed-demo and by tests. 0 on failure
  // (the reason went to `err`).
  std::uint32_t addUser(const std::string& phone, const std::string& password, const std::string& nicknameUtf8);
  bool addFriend(std::uint32_t a, std::uint32_t b);
  std::uint32_t createGroup(std::uint32_t owner, const std::string& nameUtf8);
  bool addMember(std::uint32_t groupId, std::uint32_t userId);
  bool sendMessage(std::uint32_t from, const std::string& kind, std::uint32_t to, const std::string& textUtf8);
  bool cancelUser(std::uint32_t userId);
  void list();

 private:
  std::optional<std::uint32_t> number(const std::string& text, const char* what);
  Store& store_;
  std::ostream& out_;
  std::ostream& err_;
  const Clock& clock_;
};

}  // namespace kiv::server
