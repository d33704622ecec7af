#include "server/CommandLine.h"

#include <charconv>

namespace kiv::server {

namespace {

bool parsePort(const std::string& text, std::uint16_t& port) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

}  // namespace

const char* CommandLine::usage() {
  return "usage: kiv-server [--db FILE] [--bind ADDR] [--port N] [--web-port N] [--refuse-second-login] [serve]\n"
         "       kiv-server --help | --version\n"
         "       kiv-server [--db FILE] COMMAND ARGS...\n"
         "commands:\n"
         "  serve                                   run the chat and web ports (default)\n"
         "  add-user PHONE PASSWORD NICKNAME        prints the new UserId\n"
         "  add-friend USERID USERID                makes both friends of each other\n"
         "  create-group OWNER NAME                 prints the new GroupId\n"
         "  add-member GROUPID USERID\n"
         "  send-message FROM private|group TO TEXT queues TEXT as if FROM had sent it\n"
         "  cancel-user USERID                      cancels an account (it can no longer sign in)\n"
         "  seed-demo                               adds the demo accounts, groups and messages\n"
         "  list                                    users, friends, groups, members, waiting messages\n"
         "defaults: --db ./kiv-server.db --bind 127.0.0.1 --port 7838 --web-port 80\n";
}

std::optional<CommandLine> CommandLine::parse(const std::vector<std::string>& argv, std::string* error) {
  CommandLine out;
  bool haveCommand = false;
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (haveCommand) {
      out.arguments.push_back(arg);
      continue;
    }
    auto value = [&](std::string& into) {
      if (i + 1 >= argv.size()) {
        if (error) *error = arg + " needs a value";
        return false;
      }
      into = argv[++i];
      return true;
    };
    std::string text;
    if (arg == "--db") {
      if (!value(out.options.databasePath)) return std::nullopt;
    } else if (arg == "--bind") {
      if (!value(out.options.bindAddress)) return std::nullopt;
    } else if (arg == "--port" || arg == "--web-port") {
      if (!value(text)) return std::nullopt;
      if (!parsePort(text, arg == "--port" ? out.options.chatPort : out.options.webPort)) {
        if (error) *error = "bad port for " + arg + ": " + text;
        return std::nullopt;
      }
    } else if (arg == "--refuse-second-login") {
      out.options.refuseSecondLogin = true;
    } else if (arg.rfind("--", 0) == 0) {
      if (error) *error = "unknown option " + arg;
      return std::nullopt;
    } else {
      out.command = arg;
      haveCommand = true;
    }
  }
  return out;
}

}  // namespace kiv::server
