#pragma once

#include <string>

// Where the program lives and where it keeps its files.
namespace kiv::paths {

// Absolute path of the running executable (/proc/self/exe; Windows:
// GetModuleFileName). Empty if it cannot be determined.
std::string executablePath();

// File name of the running executable without its directory.
std::string executableName();

// The program directory, ending in the separator ("/" on POSIX): the
// databases, account directories and logs live below it. KIV_HOME overrides
// it (created when missing); otherwise the executable's directory when it is
// writable, else $XDG_DATA_HOME/kiv (default ~/.local/share/kiv), created on
// demand.
std::string programDirectory();

// The separator used between path components on this platform.
constexpr char kSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

}  // namespace kiv::paths
