#include "app/InfoOptions.h"

#include <cstring>

#include "KivVersion.h"

namespace kiv {

std::optional<int> answerInfoOptions(int argc, const char* const* argv, std::FILE* out) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--version") == 0 || std::strcmp(arg, "-v") == 0) {
      std::fprintf(out, "木棉 (kiv) %s\n%s\n", kVersion, kFileDescription);
      return 0;
    }
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      std::fprintf(out,
                   "usage: kiv [--version | --help]\n"
                   "%s: sign in with a mobile phone number, chat with friends and groups.\n"
                   "\n"
                   "environment:\n"
                   "  KIV_SERVER=host:port  chat server (default 127.0.0.1:7838)\n"
                   "  KIV_WEB=host:port     avatar web server (default 127.0.0.1:80)\n"
                   "  KIV_HOME=dir          program directory: accounts, messages, log\n"
                   "                        (default: beside a portable copy, else ~/.local/share/kiv)\n"
                   "Qt's own options (-platform, -style, ...) are passed on to Qt.\n",
                   kFileDescription);
      return 0;
    }
  }
  return std::nullopt;
}

}  // namespace kiv
