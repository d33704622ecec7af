#pragma once

#include <chrono>
#include <functional>

namespace kiv::test {

// How long a test waits for something that comes within milliseconds when
// the program works: long enough for a loaded machine under the sanitizers.
inline constexpr std::chrono::milliseconds kPatience{20000};

// Checks `done` every `every` until it holds; false when `timeout` passed
// first. Between the checks the widget tests handle Qt events (their main
// installs that), so windows and queued hand-overs keep working while a
// test waits; other tests sleep. A check that acts (signs in, sends) asks
// less often, as a user would.
//
//   ASSERT_TRUE(waitFor([&] { return peer.connections() == 2; }));
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = kPatience,
             std::chrono::milliseconds every = std::chrono::milliseconds(2));

// What runs between two checks, for about `slice`; the default sleeps.
using WaitPump = void (*)(std::chrono::milliseconds slice);
void setWaitPump(WaitPump pump);

}  // namespace kiv::test
