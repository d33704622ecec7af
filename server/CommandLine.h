#pragma once

#include <optional>
#include <string>
#include <vector>

#include "server/ServerOptions.h"

namespace kiv::server {

// kiv-server [--db FILE] [--bind ADDR] [--port N] [--web-port N]
//            [--refuse-second-login] [--proxy-protocol-from LIST] [--log FILE]
//            [limit options]
//            [COMMAND [ARGS...]]
// COMMAND is serve (the default) or one of the admin commands. Every limit of
// ServerOptions has an option of its own (see usage()).
struct CommandLine {
  ServerOptions options;
  std::string command = "serve";
  std::vector<std::string> arguments;

  // nullopt with a message in `error` for an unknown option or a bad value.
  static std::optional<CommandLine> parse(const std::vector<std::string>& argv, std::string* error);
  static const char* usage();
};

}  // namespace kiv::server
