// kiv-server: the reference chat server and avatar web server, and the admin
// commands that work on its database.
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "KivVersion.h"
#include "server/AdminCommands.h"
#include "server/ChatServer.h"
#include "server/CommandLine.h"
#include "server/Store.h"

namespace {

int serve(const kiv::server::ServerOptions& options) {
  // Block the stop signals before any thread starts, so that every thread
  // inherits the mask and only sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  kiv::server::ChatServer server(options);
  if (::geteuid() == 0) {
    server.log().write("running as root, which serve never needs: use a web port above 1023, or the systemd unit");
  }
  std::string error;
  if (!server.start(&error)) {
    std::cerr << "kiv-server: " << error << "\n";
    if (error.find("web port") != std::string::npos) {
      std::cerr << "kiv-server: choose another web port with --web-port N (ports below 1024 need the\n"
                   "kiv-server: capability CAP_NET_BIND_SERVICE, which the systemd unit gives)\n";
    }
    return 1;
  }
  int signal = 0;
  sigwait(&stopSignals, &signal);
  server.log().write(std::string("received ") + (signal == SIGINT ? "SIGINT" : "SIGTERM") + ", stopping");
  server.stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The database, its -wal and -shm files and the log hold every password:
  // whatever this process creates is for its own user only.
  ::umask(077);
  const std::vector<std::string> args(argv, argv + argc);
  for (const auto& arg : args) {
    if (arg == "--help" || arg == "-h" || arg == "help") {
      std::cout << kiv::server::CommandLine::usage();
      return 0;
    }
    if (arg == "--version") {
      std::cout << "kiv-server " << kiv::kVersion << "\n";
      return 0;
    }
  }
  std::string error;
  const auto line = kiv::server::CommandLine::parse(args, &error);
  if (!line) {
    std::cerr << "kiv-server: " << error << "\n" << kiv::server::CommandLine::usage();
    return 2;
  }
  if (line->command == "serve") {
    if (!line->arguments.empty()) {
      std::cerr << "kiv-server: serve takes no arguments\n";
      return 2;
    }
    return serve(line->options);
  }
  if (!kiv::server::AdminCommands::isAdminCommand(line->command)) {
    std::cerr << "kiv-server: unknown command " << line->command << "\n" << kiv::server::CommandLine::usage();
    return 2;
  }
  auto store = kiv::server::Store::open(line->options.databasePath, &error);
  if (!store) {
    std::cerr << "kiv-server: cannot open " << kiv::server::Database::describe(line->options.databasePath) << ": "
              << error << "\n";
    return 1;
  }
  kiv::server::AdminCommands admin(*store, std::cout, std::cerr);
  return admin.run(line->command, line->arguments);
}
