// kiv-cli upload-avatar [--group ID] FILE [--self USERID] [--web HOST:PORT]:
// uploads FILE as the own avatar (or the group's), with --phone and the
// password (KIV_PASSWORD, or typed) as the form's sign-in fields, caches it like the profile window
// does and prints "upload <status>" (100 is success). Without --self it signs
// in to learn the own UserId.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/AccountPassword.h"
#include "cli/AvatarCommandArgs.h"
#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "platform/Gbk.h"
#include "avatars/Avatars.h"

namespace kiv::cli {
namespace {

int usage() {
  std::fprintf(stderr, "usage: kiv-cli upload-avatar [--group ID] FILE [--self USERID] [--web HOST:PORT]\n");
  return kExitUsage;
}

int runUploadAvatar(const CliOptions& options) {
  AvatarCommandArgs common(options);
  std::optional<int> groupId;
  std::optional<std::string> file;
  const auto& args = common.rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--group" && i + 1 < args.size()) {
      groupId = parseNumber(args[++i]);
      if (!groupId) return usage();
    } else if (!file) {
      file = args[i];
    } else {
      return usage();
    }
  }
  if (!file || !common.valid) return usage();

  QImage bitmap;
  QString path;
  const QString chosen = QString::fromLocal8Bit(file->c_str());
  if (ChooseAvatarImage(bitmap, path, [&](const QString&) { return std::optional<QString>(chosen); }) != 1) {
    std::fprintf(stderr, "kiv-cli: %s is no picture that can be read\n", file->c_str());
    return kExitFailed;
  }

  std::optional<CliSession> session;
  if (const int rc = common.resolveSelf(options, session); rc != kExitOk) return rc;
  const std::string password = accountPassword(options);
  const int self = *common.self;
  AvatarService::Options serviceOptions;
  serviceOptions.web = common.web;
  AvatarService avatars(serviceOptions);
  int status = 0;
  avatars.upload(self, bitmap, groupId.value_or(self), groupId.has_value(), path,
                 {gbk::fromUtf8(options.phone), gbk::fromUtf8(password)}, &status);
  if (session) session->signOut();
  CliSession::printLine("upload " + std::to_string(status));
  return status == 100 ? kExitOk : kExitFailed;
}

const CliCommand command("upload-avatar", "upload-avatar [--group ID] FILE [--self USERID] [--web HOST:PORT]",
                         runUploadAvatar);

}  // namespace
}  // namespace kiv::cli
