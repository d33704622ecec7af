// kiv-cli avatar [--group] ID [--size N] [--self USERID] [--web HOST:PORT]:
// loads an avatar the way the windows do (cache first, else a download from
// the web host) and prints "avatar <cache path> <size drawn>", or "none".
// Without --self it signs in to learn whose cache to use.
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "storage/avatar/AvatarPaths.h"
#include "storage/avatar/AvatarService.h"

namespace kiv::cli {
namespace {

std::optional<int> number(const std::string& text) {
  try {
    std::size_t used = 0;
    const int value = std::stoi(text, &used);
    if (used == text.size()) return value;
  } catch (...) {
  }
  return std::nullopt;
}

int usage() {
  std::fprintf(stderr, "usage: kiv-cli avatar [--group] ID [--size N] [--self USERID] [--web HOST:PORT]\n");
  return kExitUsage;
}

int runAvatar(const CliOptions& options) {
  bool group = false;
  std::optional<int> id, self;
  int size = 70;
  Endpoint web = options.web;
  const auto& args = options.args;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--group") {
      group = true;
    } else if (arg == "--size" && hasValue) {
      const auto value = number(args[++i]);
      if (!value) return usage();
      size = *value;
    } else if (arg == "--self" && hasValue) {
      self = number(args[++i]);
      if (!self) return usage();
    } else if (arg == "--web" && hasValue) {
      const auto endpoint = parseEndpoint(args[++i]);
      if (!endpoint) return usage();
      web = *endpoint;
    } else if (!id && (id = number(arg))) {
    } else {
      return usage();
    }
  }
  if (!id) return usage();

  std::optional<CliSession> session;
  if (!self) {
    session.emplace(options);
    if (const int rc = session->signIn(); rc != kExitOk) return rc;
    self = static_cast<int>(session->ownUserId());
  }

  AvatarService::Options serviceOptions;
  serviceOptions.web = web;
  serviceOptions.workers = 1;
  AvatarService avatars(serviceOptions);
  std::mutex mutex;
  std::condition_variable arrived;
  std::optional<QImage> delivered;
  AvatarLoad load = avatars.load(*self, *id, group, size, {}, [&](const QImage& picture) {
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
  CliSession::printLine("avatar " + avatar::cacheFile(*self, *id, group) + " " + std::to_string(picture.width()));
  return kExitOk;
}

const CliCommand command("avatar", "avatar [--group] ID [--size N] [--self USERID] [--web HOST:PORT]", runAvatar);

}  // namespace
}  // namespace kiv::cli
