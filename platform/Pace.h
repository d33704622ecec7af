#pragma once

namespace kiv {

// The pace of the protocol's mandated pauses: 1 in use; tests that drive a
// real program set KIV_PACE (e.g. 0.05) to run the same steps faster.

// A pace from its text: a number in (0, 1]; anything else gives 1.
double parsePace(const char* text);

// KIV_PACE as parsePace reads it.
double paceFromEnvironment();

}  // namespace kiv
