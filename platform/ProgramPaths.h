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
// databases, account directories and logs live below it. In this order:
//  - KIV_HOME, created (0700) when missing;
//  - the executable's folder, for a portable copy (see isPortableFolder);
//  - $XDG_DATA_HOME/kiv, else ~/.local/share/kiv (the home from HOME, else
//    from the user database), created 0700.
// Empty when none of them can be had: there is no shared fallback that
// another user could have prepared.
std::string programDirectory();

// Whether the executable's folder `dir` is a portable copy that keeps its
// data beside the program: a folder the user owns and may write to, and not
// an installed location (a folder named "bin", as every install prefix
// has, or anything under /usr or /opt). So a packaged /usr/bin/kiv, even run
// by root, never writes there. Windows: any writable folder.
bool isPortableFolder(const std::string& dir);

// $XDG_DATA_HOME/kiv (an absolute XDG_DATA_HOME only), else
// <home>/.local/share/kiv, created 0700; empty when there is no home.
std::string userDataDirectory();

// The separator used between path components on this platform.
constexpr char kSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

}  // namespace kiv::paths
