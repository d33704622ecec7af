#include "cli/CliStore.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>

#include "cli/CliSession.h"
#include "model/SentMessage.h"
#include "platform/Gbk.h"
#include "storage/LocalStore.h"

namespace kiv::cli {
namespace {

// One store per process; commands sign in once.
std::mutex storeLock;
std::unique_ptr<LocalStore> store;

void openAtSignIn(CliSession& session) {
  auto opened = std::make_unique<LocalStore>();
  const auto userId = static_cast<std::int32_t>(session.ownUserId());
  const CliOptions& options = session.options();
  // The password is saved only when asked for; without --remember the
  // sign-in is recorded and a password saved before stays as it was.
  const auto record = [&] {
    return options.rememberPassword ? opened->SaveLogin(options.phone, userId, gbk::fromUtf8(options.password))
                                    : opened->RecordLogin(options.phone, userId);
  };
  const bool ok = opened->ResolveProgramPaths() == 1 && opened->OpenLoginDatabase() == 1 && record() == 1 &&
                  opened->OpenMessageDatabase(userId) == 1;
  if (!ok) {
    std::fprintf(stderr, "kiv-cli: cannot open the local store in %s; nothing is stored\n",
                 opened->programDirectory().c_str());
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

LocalStore* CliStore::current() {
  std::lock_guard lock(storeLock);
  return store.get();
}

void CliStore::storeSent(const std::string& gbkText, int kind, std::int32_t partner) {
  if (LocalStore* s = current()) SentMessage::make(kind, gbkText, std::time(nullptr)).store(*s, kind, partner);
}

}  // namespace kiv::cli
