#pragma once

#include <cstdint>

namespace kiv {

// A private conversation with one user or a group's conversation; the value
// is the byte that names it in the packets. A byte read off the wire is kept
// as it came, so a value outside these two still reaches the checks that
// refuse it.
enum class ConversationKind : std::uint8_t { kPrivate = 1, kGroup = 2 };

}  // namespace kiv
