#pragma once

#include <atomic>

namespace kiv {

// The process-wide sound switch: whether to play the new-message sound.
// Written on the UI thread after sign-in and by the options dialog, read by
// the chat window's answer handler on the receive thread, hence atomic.
extern std::atomic<bool> SoundEnabled;
// Beside it, the switch of desktop notifications of new messages (true = show),
// set the same way; read on the UI thread.
extern std::atomic<bool> DesktopNoticesEnabled;

}  // namespace kiv
