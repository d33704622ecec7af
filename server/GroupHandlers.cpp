#include "server/GroupHandlers.h"

#include <algorithm>
#include <string>

#include "net/CreateGroupMessages.h"
#include "net/DismissGroupMessages.h"
#include "net/FieldWidths.h"
#include "net/GroupInfoMessages.h"
#include "net/GroupListMessages.h"
#include "net/GroupMembersMessages.h"
#include "net/InviteToGroupMessages.h"
#include "net/JoinGroupMessages.h"
#include "net/PacketWriter.h"
#include "net/QuitGroupMessages.h"
#include "net/RemoveGroupMemberMessages.h"
#include "net/ShieldGroupMessages.h"
#include "net/UpdateGroupInfoMessages.h"
#include "platform/Gbk.h"
#include "server/CleanText.h"
#include "server/FieldText.h"
#include "server/MessageQueue.h"
#include "server/ServerLimits.h"
#include "server/WireTime.h"

namespace kiv::server {

std::vector<std::uint8_t> GroupHandlers::result(const Request& request, std::uint32_t command,
                                                std::uint8_t value) const {
  return resultPacket(command, request.key(), value);
}

std::vector<std::uint8_t> GroupHandlers::groupList(const Request& request) {
  GroupListResponse out;
  for (const auto& g : context_.store.members().memberships(request.userId())) {
    out.groups.push_back({g.groupId, boundedText(g.name, GroupRecord::kNameWidth), static_cast<std::uint8_t>(g.owner),
                          static_cast<std::uint8_t>(g.shielded)});
  }
  return out.build(request.key());
}

std::vector<std::uint8_t> GroupHandlers::groupMembers(const Request& request) {
  const auto in = GroupMembersRequest::read(request.data, request.size);
  GroupMembersResponse out;
  const auto members = context_.store.members().members(in.groupId);
  const bool asked_by_member =
      std::any_of(members.begin(), members.end(), [&](const Member& m) { return m.userId == request.userId(); });
  if (asked_by_member) {
    for (const auto& m : members) {
      out.members.push_back({m.userId, boundedText(m.nickname, MemberRecord::kNicknameWidth),
                             context_.sessions.terminalOf(m.userId), static_cast<std::uint8_t>(m.owner), 0});
    }
  }
  return out.build(request.key());
}

std::vector<std::uint8_t> GroupHandlers::groupInfo(const Request& request) {
  const auto in = GroupInfoRequest::read(request.data, request.size);
  GroupInfoResponse out;
  const auto g = context_.store.groups().group(in.groupId);
  if (!g || g->dismissed) {
    out.status = 1;
    return out.build(request.key());
  }
  out.name = boundedText(g->name, fields::kGroupName);
  out.category = boundedText(g->category, fields::kGroupCategory);
  out.introduction = boundedText(g->introduction, fields::kIntroduction);
  out.memberCount = static_cast<std::int32_t>(context_.store.members().memberCount(g->groupId));
  out.type = g->type;
  out.created = g->created;
  return out.build(request.key());
}

std::vector<std::uint8_t> GroupHandlers::updateGroupInfo(const Request& request) {
  const auto in = UpdateGroupInfoRequest::read(request.data, request.size);
  UpdateGroupInfoResponse out;
  out.status = 1;
  const auto g = context_.store.groups().group(in.groupId);
  if (g && !g->dismissed && g->owner == request.userId()) {
    const std::uint8_t type = in.type == GroupInfoResponse::kBroadcast ? 2 : 1;
    out.status = context_.store.groups().updateGroup(in.groupId, boundedText(withoutControls(in.name), fields::kGroupName),
                                            boundedText(withoutControls(in.category), fields::kGroupCategory),
                                            boundedText(withoutControls(in.introduction), fields::kIntroduction), type)
                     ? 0
                     : 1;
  }
  return out.build(request.key());
}

std::vector<std::uint8_t> GroupHandlers::createGroup(const Request& request) {
  const std::uint32_t self = request.userId();
  CreateGroupResponse out;
  auto tx = context_.store.transaction();
  if (context_.store.groups().ownedGroupCount(self) >= kMaxOwnedGroups) {
    out.result = CreateGroupResponse::kAlreadyCreatedTwo;
  } else if (context_.store.members().groupCount(self) >= kMaxGroupsPerUser) {
    out.result = CreateGroupResponse::kInFiveGroups;
  } else {
    const std::uint32_t id =
        context_.store.groups().createGroup(self, gbk::fromUtf8("新建群"), wireTime(context_.clock.localNow()));
    if (id != 0 && tx.commit()) {
      out.groupId = id;
      context_.log.write("user " + std::to_string(self) + " created group " + std::to_string(id));
    } else {
      out.result = 9;
    }
  }
  return out.build(request.key());
}

std::vector<std::uint8_t> GroupHandlers::dismissGroup(const Request& request) {
  const auto in = DismissGroupRequest::read(request.data, request.size);
  const auto g = context_.store.groups().group(in.groupId);
  std::uint8_t value = 1;
  if (g && !g->dismissed && g->owner == request.userId() && context_.store.groups().dismissGroup(in.groupId)) {
    value = 0;
    context_.log.write("user " + std::to_string(request.userId()) + " dismissed group " + std::to_string(in.groupId));
  }
  return result(request, DismissGroupResponse::kCommand, value);
}

std::vector<std::uint8_t> GroupHandlers::quitGroup(const Request& request) {
  const auto in = QuitGroupRequest::read(request.data, request.size);
  const auto g = context_.store.groups().group(in.groupId);
  std::uint8_t value = 1;
  if (g && !g->dismissed && g->owner != request.userId() &&
      context_.store.members().removeMember(in.groupId, request.userId())) {
    value = 0;
  }
  return result(request, QuitGroupResponse::kCommand, value);
}

std::vector<std::uint8_t> GroupHandlers::removeMember(const Request& request) {
  const auto in = RemoveGroupMemberRequest::read(request.data, request.size);
  const auto g = context_.store.groups().group(in.groupId);
  std::uint8_t value = 1;
  if (g && !g->dismissed && g->owner == request.userId() && in.userId != g->owner &&
      context_.store.members().removeMember(in.groupId, in.userId)) {
    value = 0;
  }
  return result(request, RemoveGroupMemberResponse::kCommand, value);
}

std::vector<std::uint8_t> GroupHandlers::shieldGroup(const Request& request) {
  const auto in = ShieldGroupRequest::read(request.data, request.size);
  const bool done = context_.store.members().setShielded(in.groupId, request.userId(), in.shield != 0);
  return result(request, ShieldGroupResponse::kCommand, done ? 0 : 1);
}

std::vector<std::uint8_t> GroupHandlers::inviteToGroup(const Request& request) {
  const auto in = InviteToGroupRequest::read(request.data, request.size);
  auto answer = [&](std::uint8_t value) { return result(request, InviteToGroupResponse::kCommand, value); };
  auto tx = context_.store.transaction();
  const auto g = context_.store.groups().group(in.groupId);
  if (!g || g->dismissed) return answer(InviteToGroupResponse::kNoSuchGroup);
  if (g->owner != request.userId()) return answer(InviteToGroupResponse::kSystemError);
  const auto user = context_.store.accounts().account(in.userId);
  if (!user) return answer(InviteToGroupResponse::kNoSuchUser);
  if (user->cancelled) return answer(InviteToGroupResponse::kUserCancelled);
  if (context_.store.members().isMember(in.groupId, in.userId)) return answer(InviteToGroupResponse::kAlreadyMember);
  if (context_.store.members().groupCount(in.userId) >= kMaxGroupsPerUser)
    return answer(InviteToGroupResponse::kInThreeGroups);
  if (context_.store.members().memberCount(in.groupId) >= kMaxGroupMembers)
    return answer(InviteToGroupResponse::kGroupFull);

  if (context_.store.members().hasJoinRequest(in.groupId, in.userId)) {
    // The user asked first: the owner's invitation is the consent.
    const bool admitted = context_.store.members().addMember(in.groupId, in.userId);
    context_.store.members().clearPending(in.groupId, in.userId);
    if (!admitted || !tx.commit()) return answer(InviteToGroupResponse::kSystemError);
    context_.log.write("group " + std::to_string(in.groupId) + " admitted user " + std::to_string(in.userId));
    return answer(InviteToGroupResponse::kInvited);
  }
  // Inviting again changes nothing: the user has the first invitation.
  if (context_.store.members().hasInvitation(in.groupId, in.userId)) return answer(InviteToGroupResponse::kInvited);
  MessageQueue queue(context_.store, &context_.quotas);
  const bool sent =
      context_.store.members().addInvitation(in.groupId, in.userId) &&
      queue.queueNotice(in.userId, ConversationKind::kPrivate, request.userId(), request.userId(),
                        MessageQueue::invitationText(in.groupId, g->name), wireTime(context_.clock.localNow()));
  if (!sent || !tx.commit()) return answer(InviteToGroupResponse::kSystemError);
  return answer(InviteToGroupResponse::kInvited);
}

std::vector<std::uint8_t> GroupHandlers::joinGroup(const Request& request) {
  const auto in = JoinGroupRequest::read(request.data, request.size);
  const std::uint32_t self = request.userId();
  auto answer = [&](std::uint8_t value) { return result(request, JoinGroupResponse::kCommand, value); };
  auto tx = context_.store.transaction();
  const auto g = context_.store.groups().group(in.groupId);
  if (!g) return answer(JoinGroupResponse::kNoSuchGroup);
  if (g->dismissed) return answer(JoinGroupResponse::kDismissed);
  if (context_.store.members().isMember(in.groupId, self)) return answer(JoinGroupResponse::kAlreadyMember);
  if (context_.store.members().groupCount(self) >= kMaxGroupsPerUser) return answer(JoinGroupResponse::kInFiveGroups);
  if (context_.store.members().memberCount(in.groupId) >= kMaxGroupMembers)
    return answer(JoinGroupResponse::kGroupFull);

  if (context_.store.members().hasInvitation(in.groupId, self)) {
    const bool joined = context_.store.members().addMember(in.groupId, self);
    context_.store.members().clearPending(in.groupId, self);
    if (!joined || !tx.commit()) return answer(9);
    context_.log.write("user " + std::to_string(self) + " joined group " + std::to_string(in.groupId));
    return answer(JoinGroupResponse::kPassedToOwner);
  }
  // Asking again changes nothing: the owner has the first request.
  if (context_.store.members().hasJoinRequest(in.groupId, self)) return answer(JoinGroupResponse::kPassedToOwner);
  const auto me = context_.store.accounts().account(self);
  MessageQueue queue(context_.store, &context_.quotas);
  const bool asked = me && context_.store.members().addJoinRequest(in.groupId, self) &&
                     queue.queueNotice(g->owner, ConversationKind::kGroup, in.groupId, self,
                                       MessageQueue::joinRequestText(self, me->nickname),
                                       wireTime(context_.clock.localNow()));
  if (!asked || !tx.commit()) return answer(9);
  return answer(JoinGroupResponse::kPassedToOwner);
}

}  // namespace kiv::server
