#include "server/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>

namespace kiv::server {

namespace {

bool parsePort(const std::string& text, std::uint16_t& port) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

// A whole number from `least` up to a billion.
template <class T>
bool parseCount(const std::string& text, T& into, long long least = 1) {
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < least || value > 1'000'000'000) return false;
  into = static_cast<T>(value);
  return true;
}

// A positive decimal number (such as 0.5) up to a billion.
bool parseDecimal(const std::string& text, double& into) {
  if (text.empty() || text.size() > 20) return false;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value) || value <= 0 || value > 1e9) return false;
  into = value;
  return true;
}

// Seconds, decimals allowed, from a millisecond up to a day.
bool parseSeconds(const std::string& text, Millis& into) {
  double seconds = 0;
  if (!parseDecimal(text, seconds) || seconds < 0.001 || seconds > 86400) return false;
  into = Millis(static_cast<long long>(std::llround(seconds * 1000)));
  return true;
}

using Setter = std::function<bool(ServerOptions&, const std::string&)>;

// Every option that takes a number, and where its value goes.
const std::vector<std::pair<std::string, Setter>>& numericOptions() {
  static const std::vector<std::pair<std::string, Setter>> options = {
      {"--max-connections", [](auto& o, auto& v) { return parseCount(v, o.chatCaps.total); }},
      {"--max-connections-per-address", [](auto& o, auto& v) { return parseCount(v, o.chatCaps.perAddress); }},
      {"--sign-in-seconds", [](auto& o, auto& v) { return parseSeconds(v, o.chatTimes.signIn); }},
      {"--packet-seconds", [](auto& o, auto& v) { return parseSeconds(v, o.chatTimes.packet); }},
      {"--idle-seconds", [](auto& o, auto& v) { return parseSeconds(v, o.chatTimes.idle); }},
      {"--web-max-connections", [](auto& o, auto& v) { return parseCount(v, o.webCaps.total); }},
      {"--web-max-connections-per-address", [](auto& o, auto& v) { return parseCount(v, o.webCaps.perAddress); }},
      {"--web-header-seconds", [](auto& o, auto& v) { return parseSeconds(v, o.web.header); }},
      {"--web-body-seconds", [](auto& o, auto& v) { return parseSeconds(v, o.web.body); }},
      {"--web-body-bytes", [](auto& o, auto& v) { return parseCount(v, o.web.bodyBytes, 1024); }},
      {"--web-field-bytes", [](auto& o, auto& v) { return parseCount(v, o.web.fieldBytes, 16); }},
      {"--web-parts", [](auto& o, auto& v) { return parseCount(v, o.web.parts, 2); }},
      {"--login-free-failures", [](auto& o, auto& v) { return parseCount(v, o.signIn.accountFreeFailures, 0); }},
      {"--login-address-free-failures",
       [](auto& o, auto& v) { return parseCount(v, o.signIn.addressFreeFailures, 0); }},
      {"--login-lock-seconds", [](auto& o, auto& v) { return parseSeconds(v, o.signIn.longestWait); }},
      {"--login-forget-seconds", [](auto& o, auto& v) { return parseSeconds(v, o.signIn.forgetAfter); }},
      {"--login-failures-per-connection",
       [](auto& o, auto& v) { return parseCount(v, o.signIn.failuresPerConnection); }},
      {"--login-hold-seconds", [](auto& o, auto& v) { return parseSeconds(v, o.signIn.longestHold); }},
      {"--send-burst", [](auto& o, auto& v) { return parseDecimal(v, o.quotas.sendBurst); }},
      {"--send-per-second", [](auto& o, auto& v) { return parseDecimal(v, o.quotas.sendPerSecond); }},
      {"--send-rows-burst", [](auto& o, auto& v) { return parseDecimal(v, o.quotas.rowsBurst); }},
      {"--send-rows-per-second", [](auto& o, auto& v) { return parseDecimal(v, o.quotas.rowsPerSecond); }},
      {"--waiting-rows", [](auto& o, auto& v) { return parseCount(v, o.quotas.waitingRows); }},
      {"--waiting-bytes", [](auto& o, auto& v) { return parseCount(v, o.quotas.waitingBytes); }},
      {"--kept-answers", [](auto& o, auto& v) { return parseCount(v, o.quotas.keptAnswers); }},
      {"--log-line-bytes", [](auto& o, auto& v) { return parseCount(v, o.logLineBytes, 80); }},
  };
  return options;
}

}  // namespace

const char* CommandLine::usage() {
  return "usage: kiv-server [--db FILE|URL] [--bind ADDR] [--port N] [--web-port N] [--refuse-second-login]\n"
         "                  [--proxy-protocol-from ADDR[/BITS][,...]] [--log FILE] [LIMIT OPTIONS] [serve]\n"
         "       kiv-server --help | --version\n"
         "       kiv-server [--db FILE|URL] COMMAND ARGS...\n"
         "--db takes an SQLite file or a PostgreSQL URL (postgresql://user@host:port/database), which\n"
         "several kiv-server processes may share; the tables are created or migrated when opened.\n"
         "--proxy-protocol-from names the load balancers (addresses or networks) whose connections start\n"
         "with a PROXY protocol header (v1 or v2, HAProxy's send-proxy): their clients are then counted by\n"
         "their own addresses. Connections from anywhere else are never read as carrying one.\n"
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
         "limit options (defaults in brackets; server/README.md gives the reasons):\n"
         "  --max-connections N [10000]  --max-connections-per-address N [500]\n"
         "  --sign-in-seconds S [15]  --packet-seconds S [20]  --idle-seconds S [180]\n"
         "  --web-max-connections N [1024]  --web-max-connections-per-address N [128]\n"
         "  --web-header-seconds S [10]  --web-body-seconds S [60]  --web-body-bytes N [2097152]\n"
         "  --web-field-bytes N [1024]  --web-parts N [16]\n"
         "  --login-free-failures N [5]  --login-address-free-failures N [30]  --login-lock-seconds S [60]\n"
         "  --login-forget-seconds S [900]  --login-failures-per-connection N [3]  --login-hold-seconds S [10]\n"
         "  --send-burst N [60]  --send-per-second R [1]  --send-rows-burst N [6000]  --send-rows-per-second R [300]\n"
         "  --waiting-rows N [10000]  --waiting-bytes N [2097152]  --kept-answers N [64]  --log-line-bytes N [1024]\n"
         "defaults: --db ./kiv-server.db --bind 127.0.0.1 --port 7838 --web-port 80, the log on standard error\n";
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
    } else if (arg == "--log") {
      if (!value(out.options.logPath)) return std::nullopt;
    } else if (arg == "--port" || arg == "--web-port") {
      if (!value(text)) return std::nullopt;
      if (!parsePort(text, arg == "--port" ? out.options.chatPort : out.options.webPort)) {
        if (error) *error = "bad port for " + arg + ": " + text;
        return std::nullopt;
      }
    } else if (arg == "--proxy-protocol-from") {
      if (!value(text)) return std::nullopt;
      std::string why;
      auto balancers = TrustedNetworks::parse(text, &why);
      if (!balancers) {
        if (error) *error = "bad value for " + arg + ": " + why;
        return std::nullopt;
      }
      out.options.balancers = std::move(*balancers);
    } else if (arg == "--refuse-second-login") {
      out.options.refuseSecondLogin = true;
    } else if (arg.rfind("--", 0) == 0) {
      const auto& numeric = numericOptions();
      const auto found =
          std::find_if(numeric.begin(), numeric.end(), [&](const auto& option) { return option.first == arg; });
      if (found == numeric.end()) {
        if (error) *error = "unknown option " + arg;
        return std::nullopt;
      }
      if (!value(text)) return std::nullopt;
      if (!found->second(out.options, text)) {
        if (error) *error = "bad value for " + arg + ": " + text;
        return std::nullopt;
      }
    } else {
      out.command = arg;
      haveCommand = true;
    }
  }
  return out;
}

}  // namespace kiv::server
