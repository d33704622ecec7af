// kiv-cli login: signs in and prints what the client knows afterwards: the
// own profile, the friends, the groups and their members.
#include <atomic>
#include <map>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "net/GroupMembersMessages.h"
#include "platform/Gbk.h"

namespace kiv::cli {
namespace {

// The client keeps at most this many friends and groups.
constexpr std::size_t kMaxFriends = 200;
constexpr std::size_t kMaxGroups = 10;

std::string num(long long v) {
  return std::to_string(v);
}

int runLogin(const CliOptions& options) {
  // Filled on the receive thread, so declared before the session that
  // outlives every delivery.
  std::mutex membersLock;
  std::map<std::uint32_t, std::vector<MemberRecord>> members;
  std::atomic<std::size_t> answered{0};

  CliSession session(options);
  if (const int rc = session.signIn(true); rc != kExitOk) return rc;
  if (!session.waitFor([&] { return session.groups().has_value(); }, CliSession::kPatience)) return kExitNoServer;

  const GroupListResponse listed = *session.groups();
  std::vector<GroupRecord> groups;
  for (const auto& g : listed.groups)
    if (g.groupId != 0 && groups.size() < kMaxGroups) groups.push_back(g);

  // Every group's members, each asked with the group's own receiver.
  for (const auto& g : groups) {
    const ReceiverHandle asker =
        session.receiver([&, id = g.groupId](const PendingRequest&, const std::uint8_t* response, std::uint32_t size,
                                             std::uint32_t cmd) {
          if (cmd != GroupMembersResponse::kCommand) return;
          {
            std::lock_guard lock(membersLock);
            if (members.count(id) != 0) return;
            members[id] = GroupMembersResponse::read(response, size).members;
          }
          ++answered;
          session.notify();
        });
    session.ask(GroupMembersRequest{g.groupId}.build(session.client().newKey()), asker);
  }
  if (!session.waitFor([&] { return answered.load() == groups.size(); }, CliSession::kPatience)) return kExitNoServer;

  const auto self = session.ownProfile();
  CliSession::printLine("self " + num(self.userId) + " " + gbk::toUtf8(self.nickname));
  std::size_t shown = 0;
  for (const auto& f : session.friends().friends) {
    if (f.userId == 0 || shown == kMaxFriends) continue;
    ++shown;
    CliSession::printLine("friend " + num(f.userId) + " " + num(f.terminal) + " " + gbk::toUtf8(f.nickname));
  }
  for (const auto& g : groups)
    CliSession::printLine("group " + num(g.groupId) + " " + num(g.owner) + " " + num(g.shielded) + " " +
                          gbk::toUtf8(g.name));
  std::lock_guard lock(membersLock);
  for (const auto& g : groups)
    for (const auto& m : members[g.groupId])
      CliSession::printLine("member " + num(g.groupId) + " " + num(m.userId) + " " + num(m.terminal) + " " +
                            num(m.owner) + " " + gbk::toUtf8(m.nickname));
  session.signOut();
  return kExitOk;
}

const CliCommand command("login", "login", runLogin);

}  // namespace
}  // namespace kiv::cli
