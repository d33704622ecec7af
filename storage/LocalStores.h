#pragma once

#include "platform/Clock.h"
#include "storage/HistoryStore.h"
#include "storage/LocalSettings.h"
#include "storage/LoginStore.h"

namespace kiv {

// Everything a client keeps on this computer, in one place to own: the
// remembered accounts, the signed-in account's history and the switches.
// The three know nothing of each other but for the settings, whose markers
// live in the login database.
struct LocalStores {
  explicit LocalStores(const Clock& clock = SystemClock::instance()) : logins(clock) {}

  // Takes the program directory for both databases; false when there is
  // none (nothing can be opened then).
  bool ResolveProgramPaths() {
    const bool found = logins.ResolveProgramPaths();
    return history.ResolveProgramPaths() && found;
  }

  LoginStore logins;
  HistoryStore history;
  LocalSettings settings{logins};
};

}  // namespace kiv
