// kiv-cli upload-avatar [--group ID] FILE [--self USERID] [--web HOST:PORT]:
// uploads FILE as the own avatar (or the group's), with --phone and
// --password as the form's sign-in fields, caches it like the profile window
// does and prints "upload <status>" (100 is success). Without --self it signs
// in to learn the own UserId.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "platform/Gbk.h"
#include "storage/avatar/Avatars.h"

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
  std::fprintf(stderr, "usage: kiv-cli upload-avatar [--group ID] FILE [--self USERID] [--web HOST:PORT]\n");
  return kExitUsage;
}

int runUploadAvatar(const CliOptions& options) {
  std::optional<int> groupId, self;
  std::optional<std::string> file;
  Endpoint web = options.web;
  const auto& args = options.args;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--group" && hasValue) {
      groupId = number(args[++i]);
      if (!groupId) return usage();
    } else if (arg == "--self" && hasValue) {
      self = number(args[++i]);
      if (!self) return usage();
    } else if (arg == "--web" && hasValue) {
      const auto endpoint = parseEndpoint(args[++i]);
      if (!endpoint) return usage();
      web = *endpoint;
    } else if (!file) {
      file = arg;
    } else {
      return usage();
    }
  }
  if (!file) return usage();

  QImage bitmap;
  QString path;
  const QString chosen = QString::fromLocal8Bit(file->c_str());
  if (ChooseAvatarImage(bitmap, path, [&](const QString&) { return std::optional<QString>(chosen); }) != 1) {
    std::fprintf(stderr, "kiv-cli: %s is no picture that can be read\n", file->c_str());
    return kExitFailed;
  }

  std::optional<CliSession> session;
  if (!self) {
    session.emplace(options);
    if (const int rc = session->signIn(); rc != kExitOk) return rc;
    self = static_cast<int>(session->ownUserId());
  }
  AvatarService::Options serviceOptions;
  serviceOptions.web = web;
  AvatarService avatars(serviceOptions);
  int status = 0;
  avatars.upload(*self, bitmap, groupId.value_or(*self), groupId.has_value(), path,
                 {gbk::fromUtf8(options.phone), gbk::fromUtf8(options.password)}, &status);
  if (session) session->signOut();
  CliSession::printLine("upload " + std::to_string(status));
  return status == 100 ? kExitOk : kExitFailed;
}

const CliCommand command("upload-avatar", "upload-avatar [--group ID] FILE [--self USERID] [--web HOST:PORT]",
                         runUploadAvatar);

}  // namespace
}  // namespace kiv::cli
