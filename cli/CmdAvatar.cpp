// kiv-cli avatar [--group] ID [--size N] [--self USERID] [--web HOST:PORT]:
// loads an avatar the way the windows do (cache first, else a download from
// the web host) and prints "avatar <cache path> <size drawn>", or "none".
// Without --self it signs in to learn whose cache to use.
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "cli/AvatarCommandArgs.h"
#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "avatars/AvatarPaths.h"
#include "avatars/AvatarService.h"

namespace kiv::cli {
namespace {

int usage() {
  std::fprintf(stderr, "usage: kiv-cli avatar [--group] ID [--size N] [--self USERID] [--web HOST:PORT]\n");
  return kExitUsage;
}

int runAvatar(const CliOptions& options) {
  AvatarCommandArgs common(options);
  bool group = false;
  std::optional<int> id;
  int size = 70;
  const auto& args = common.rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--group") {
      group = true;
    } else if (args[i] == "--size" && i + 1 < args.size()) {
      const auto value = parseNumber(args[++i]);
      if (!value) return usage();
      size = *value;
    } else if (!id && parseNumber(args[i])) {
      id = parseNumber(args[i]);
    } else {
      return usage();
    }
  }
  if (!id || !common.valid) return usage();

  std::optional<CliSession> session;
  if (const int rc = common.resolveSelf(options, session); rc != kExitOk) return rc;
  const int self = *common.self;

  // Declared before the service, so a late answer never finds them gone.
  std::mutex mutex;
  std::condition_variable arrived;
  std::optional<QImage> delivered;
  AvatarService::Options serviceOptions;
  serviceOptions.web = common.web;
  serviceOptions.workers = 1;
  AvatarService avatars(serviceOptions);
  AvatarLoad load = avatars.load(self, *id, group, size, {}, [&](const QImage& picture) {
    std::lock_guard lock(mutex);
    delivered = picture;
    arrived.notify_all();
  });
  QImage picture = load.picture;
  if (load.pending) {
    std::unique_lock lock(mutex);
    // The download gives up by itself well within this.
    arrived.wait_for(lock, serviceOptions.totalTimeout + std::chrono::seconds(5),
                     [&] { return delivered.has_value(); });
    picture = delivered.value_or(QImage());
  }
  if (session) session->signOut();
  if (picture.isNull()) {
    CliSession::printLine("none");
    return kExitFailed;
  }
  CliSession::printLine("avatar " + avatar::cacheFile(self, *id, group) + " " + std::to_string(picture.width()));
  return kExitOk;
}

const CliCommand command("avatar", "avatar [--group] ID [--size N] [--self USERID] [--web HOST:PORT]", runAvatar);

}  // namespace
}  // namespace kiv::cli
