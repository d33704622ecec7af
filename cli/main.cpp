// kiv-cli: the headless client, for scripting, demos and load tests.
//
//   kiv-cli [--server HOST:PORT] [--web HOST:PORT] [--home DIR]
//           [--phone PHONE] [--remember] COMMAND [ARGS]
//
// The password comes from KIV_PASSWORD or is typed when asked.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KivVersion.h"
#include "cli/AccountPassword.h"
#include "cli/CliCommand.h"
#include "platform/Pace.h"
#include "platform/PrivateFiles.h"

namespace {

void printUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: kiv-cli [--server HOST:PORT] [--web HOST:PORT] [--home DIR] "
               "[--phone PHONE] [--remember] COMMAND [ARGS]\n"
               "       kiv-cli --help | --version\n"
               "The password is taken from KIV_PASSWORD, else asked for on the terminal; --remember\n"
               "saves it in the login database as \"记住密码\" does.\ncommands:\n");
  for (const auto* c : kiv::cli::CliCommand::all()) std::fprintf(out, "  %s\n", c->usage());
}

int usage() {
  printUsage(stderr);
  return kiv::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kiv;
  // Everything it writes (the login database, the history, the log) is its
  // user's.
  paths::restrictNewFiles();
  cli::CliOptions options;
  options.password = cli::takePasswordFromEnvironment();
  options.server = chatServerEndpoint();
  options.web = webEndpoint();
  options.pace = paceFromEnvironment();
  if (const char* home = std::getenv("KIV_HOME")) options.home = home;

  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::printf("kiv-cli %s\n", kVersion);
    return cli::kExitOk;
  }
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    printUsage(stdout);
    return cli::kExitOk;
  }
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0) break;
    if (arg == "--password") {
      std::fprintf(stderr,
                   "kiv-cli: --password is refused: every user of this computer can read a command line. "
                   "Set KIV_PASSWORD, or type the password when asked.\n");
      return cli::kExitUsage;
    }
    if (arg == "--remember") {
      options.rememberPassword = true;
      continue;
    }
    if (i + 1 >= argc) return usage();
    const std::string value = argv[++i];
    if (arg == "--server" || arg == "--web") {
      const auto endpoint = parseEndpoint(value);
      if (!endpoint) {
        std::fprintf(stderr, "kiv-cli: %s wants HOST:PORT, got '%s'\n", arg.c_str(), value.c_str());
        return cli::kExitUsage;
      }
      (arg == "--server" ? options.server : options.web) = *endpoint;
    } else if (arg == "--home") {
      options.home = value;
    } else if (arg == "--phone") {
      options.phone = value;
    } else {
      return usage();
    }
  }
  if (i >= argc) return usage();
  const cli::CliCommand* command = cli::CliCommand::find(argv[i]);
  if (command == nullptr) return usage();
  // The program directory (databases, logs, avatar caches) follows --home.
  if (!options.home.empty()) setenv("KIV_HOME", options.home.c_str(), 1);
  for (++i; i < argc; ++i) options.args.emplace_back(argv[i]);
  return command->handler()(options);
}
