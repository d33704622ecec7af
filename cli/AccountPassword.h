#pragma once

#include <string>

#include "cli/CliCommand.h"

// kiv-cli never takes a password on its command line, where every user of
// the computer can read it (ps, /proc/<pid>/cmdline): it comes from
// KIV_PASSWORD, or is typed at a prompt on the terminal without being shown.
namespace kiv::cli {

// The value of KIV_PASSWORD, taken out of the environment so that nothing
// started later inherits it; "" when unset.
std::string takePasswordFromEnvironment();

// options.password when there is one, else asked on the terminal (once per
// run; the answer is kept); "" when there is no terminal to ask on.
std::string accountPassword(const CliOptions& options);

}  // namespace kiv::cli
