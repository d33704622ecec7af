#pragma once

#include <atomic>

namespace kiv {

// The process-wide sound switch: 1 = play the new-message sound, 0 = silent.
// Written on the UI thread after sign-in and by the options dialog, read by
// the chat window's answer handler on the receive thread, hence atomic.
extern std::atomic<int> SoundEnabled;
// Beside it, the switch of desktop notifications of new messages (1 = show),
// set the same way; read on the UI thread.
extern std::atomic<int> DesktopNoticesEnabled;

}  // namespace kiv
