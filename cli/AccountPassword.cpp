#include "cli/AccountPassword.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#ifndef _WIN32
#include <termios.h>
#include <unistd.h>
#endif

namespace kiv::cli {
namespace {

std::string askOnTerminal() {
#ifdef _WIN32
  return {};
#else
  if (::isatty(STDIN_FILENO) == 0) return {};
  std::fprintf(stderr, "password: ");
  std::fflush(stderr);
  termios shown {};
  const bool quiet = ::tcgetattr(STDIN_FILENO, &shown) == 0;
  if (quiet) {
    termios hidden = shown;
    hidden.c_lflag &= static_cast<tcflag_t>(~ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
  }
  std::string typed;
  for (int c = std::fgetc(stdin); c != EOF && c != '\n'; c = std::fgetc(stdin)) typed += static_cast<char>(c);
  if (!typed.empty() && typed.back() == '\r') typed.pop_back();
  if (quiet) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown);
  std::fprintf(stderr, "\n");
  return typed;
#endif
}

}  // namespace

std::string takePasswordFromEnvironment() {
  const char* value = std::getenv("KIV_PASSWORD");
  std::string password = value != nullptr ? value : "";
#ifndef _WIN32
  ::unsetenv("KIV_PASSWORD");
#endif
  return password;
}

std::string accountPassword(const CliOptions& options) {
  if (!options.password.empty()) return options.password;
  static std::optional<std::string> typed;
  if (!typed) typed = askOnTerminal();
  return *typed;
}

}  // namespace kiv::cli
