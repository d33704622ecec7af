#pragma once

// What the avatar commands share: the options --self USERID and
// --web HOST:PORT, numbers on the command line, and learning the own UserId
// by signing in when --self is not given.

#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "cli/NumberArgument.h"

namespace kiv::cli {

// Ids and sizes are positive ints wherever they are stored.
inline std::optional<int> parseNumber(const std::string& text) {
  const auto value = parseDecimal(text, 0x7FFFFFFFu);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

struct AvatarCommandArgs {
  std::optional<int> self;        // --self
  Endpoint web;                   // --web, else the program's web host
  std::vector<std::string> rest;  // the command's other arguments, in order
  bool valid = true;              // false: a malformed --self or --web

  explicit AvatarCommandArgs(const CliOptions& options) : web(options.web) {
    const auto& args = options.args;
    for (std::size_t i = 0; i < args.size(); ++i) {
      const bool hasValue = i + 1 < args.size();
      if (args[i] == "--self" && hasValue) {
        self = parseNumber(args[++i]);
        valid = valid && self.has_value();
      } else if (args[i] == "--web" && hasValue) {
        const auto endpoint = parseEndpoint(args[++i]);
        valid = valid && endpoint.has_value();
        if (endpoint) web = *endpoint;
      } else {
        rest.push_back(args[i]);
      }
    }
  }

  // Fills `self` from a sign-in unless --self gave it; the session stays
  // open in `session`. kExitOk, or the sign-in's exit code.
  int resolveSelf(const CliOptions& options, std::optional<CliSession>& session) {
    if (self) return kExitOk;
    session.emplace(options);
    if (const int rc = session->signIn(); rc != kExitOk) return rc;
    self = static_cast<int>(session->ownUserId());
    return kExitOk;
  }
};

}  // namespace kiv::cli
