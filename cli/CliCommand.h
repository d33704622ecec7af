#pragma once

#include <string>
#include <vector>

#include "platform/Endpoint.h"

// kiv-cli's commands. Each command lives in its own file and registers itself
// with a static CliCommand object:
//
//   static kiv::cli::CliCommand sms("sms", "sms PHONE", runSms);
//
// main() parses the options that come before the command name and hands the
// rest of the arguments to the command.
namespace kiv::cli {

struct CliOptions {
  Endpoint server;                // --server, else KIV_SERVER, else built in
  Endpoint web;                   // --web, else KIV_WEB, else built in
  std::string home;               // --home, else KIV_HOME (already exported to KIV_HOME)
  std::string phone;              // --phone
  std::string password;           // KIV_PASSWORD (see accountPassword)
  bool rememberPassword = false;  // --remember: saved with the account
  double pace = 1.0;              // KIV_PACE: tests run the protocol's cycles faster
  std::vector<std::string> args;  // the command's own arguments
};

using CliHandler = int (*)(const CliOptions& options);

class CliCommand {
 public:
  CliCommand(const char* name, const char* usage, CliHandler handler);

  const char* name() const { return name_; }
  const char* usage() const { return usage_; }
  CliHandler handler() const { return handler_; }

  static const std::vector<const CliCommand*>& all();
  static const CliCommand* find(const std::string& name);

 private:
  const char* name_;
  const char* usage_;
  CliHandler handler_;
};

// Exit codes shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitNoServer = 2;  // no connection or no answer in time
inline constexpr int kExitUsage = 64;

}  // namespace kiv::cli
