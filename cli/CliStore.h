#pragma once

#include <cstdint>
#include <string>

#include "net/ConversationKind.h"

namespace kiv {
class HistoryStore;
}  // namespace kiv

namespace kiv::cli {

// The local state of the account a kiv-cli command signed in with, kept
// exactly as the desktop client keeps it: every sign-in is recorded in the
// login database, and the account's message database receives what the
// commands send and fetch.
class CliStore {
 public:
  // The history opened at sign-in, or nullptr before it (or when it could
  // not be opened: the commands then work without storing).
  static HistoryStore* history();

  // Stores the echo of a sent message ("我(私聊):" / "我(群聊):" and the
  // local time).
  static void storeSent(const std::string& gbkText, ConversationKind kind, std::int32_t partner);
};

}  // namespace kiv::cli
