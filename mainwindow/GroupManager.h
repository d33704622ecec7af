#pragma once

#include <cstdint>
#include <optional>

class QObject;

namespace kiv {

struct ClientSession;
struct CreateGroupResponse;
struct DismissGroupResponse;

// What the user does to groups: creating one (refused here at two own
// groups), dismissing, leaving, removing a member and shielding. Every
// change is made to the tree at once and told to the server; only the
// answers to creating and dismissing are read, while `context` (the tree)
// lives. Destructive commands ask first, and Cancel leaves everything as it
// was and sends nothing.
class GroupManager {
 public:
  GroupManager(ClientSession& session, QObject* context) : session_(session), context_(context) {}

  void createGroup();
  void dismissGroup(std::int32_t groupId);
  void quitGroup(std::int32_t groupId);
  void removeMember(std::int32_t groupId, std::int32_t userId);
  // Flips the shield state of the group; the new state, or nothing when
  // there is no such group.
  std::optional<bool> toggleShield(std::int32_t groupId);

  // The server's answers.
  void onCreated(const CreateGroupResponse& answer);
  void onDismissed(std::int32_t groupId, const DismissGroupResponse& answer);

 private:
  ClientSession& session_;
  QObject* context_;
};

}  // namespace kiv
