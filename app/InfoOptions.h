#pragma once

#include <cstdio>
#include <optional>

namespace kiv {

// The two options kiv answers without opening a window (and without a
// display): --version and --help (also -v and -h). Every other argument is
// left to Qt (-platform, -style, ...). Returns the exit code when an option
// was answered on `out`, nullopt when the program should start.
std::optional<int> answerInfoOptions(int argc, const char* const* argv, std::FILE* out);

}  // namespace kiv
