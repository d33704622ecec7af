#include "cli/CliStore.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>

#include "cli/CliSession.h"
#include "model/SentMessage.h"
#include "platform/Gbk.h"
#include "storage/LocalStores.h"

namespace kiv::cli {
namespace {

// One store per process; commands sign in once.
std::mutex storeLock;
std::unique_ptr<LocalStores> store;

void openAtSignIn(CliSession& session) {
  auto opened = std::make_unique<LocalStores>();
  const auto userId = static_cast<std::int32_t>(session.ownUserId());
  const CliOptions& options = session.options();
  // The password is saved only when asked for; without --remember the
  // sign-in is recorded and a password saved before stays as it was.
  const auto record = [&] {
    return options.rememberPassword ? opened->logins.SaveLogin(options.phone, userId, gbk::fromUtf8(options.password))
                                    : opened->logins.RecordLogin(options.phone, userId);
  };
  const bool ok = opened->ResolveProgramPaths() && opened->logins.OpenLoginDatabase() && record() &&
                  opened->history.OpenMessageDatabase(userId);
  if (!ok) {
    std::fprintf(stderr, "kiv-cli: cannot open the local store in %s; nothing is stored\n",
                 opened->logins.programDirectory().c_str());
    return;
  }
  std::lock_guard lock(storeLock);
  store = std::move(opened);
}

// Registered before main() runs: every command that signs in records it.
const bool registered = [] {
  CliSession::addSignedInHook(openAtSignIn);
  return true;
}();

}  // namespace

HistoryStore* CliStore::history() {
  std::lock_guard lock(storeLock);
  return store ? &store->history : nullptr;
}

void CliStore::storeSent(const std::string& gbkText, ConversationKind kind, std::int32_t partner) {
  if (HistoryStore* s = history()) SentMessage::make(kind, gbkText, std::time(nullptr)).store(*s, kind, partner);
}

}  // namespace kiv::cli
