#pragma once

namespace kiv {

// Where the goodbye of a signed-in connection stands. A logout answer means
// something different in each: the reply to a goodbye before reconnecting, the
// reply to the user's own going offline or exit, or, unasked, the news that
// the account was signed in elsewhere.
enum class LogoutState {
  kNone,             // no goodbye said
  kBeforeReconnect,  // said on a broken socket; the answer is only acknowledged
  kFinal,            // going offline or exiting: the program asked for the end
  kForcedOffline,    // an unasked logout answer: signed in elsewhere
};

}  // namespace kiv
