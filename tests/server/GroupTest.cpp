// Groups: lists with owner and shield flags, limits, profiles, and the two
// ways in (invitation and join request) in both orders.
#include <gtest/gtest.h>

#include "net/CreateGroupMessages.h"
#include "net/DismissGroupMessages.h"
#include "net/FetchMessagesMessages.h"
#include "net/GroupInfoMessages.h"
#include "net/GroupListMessages.h"
#include "net/GroupMembersMessages.h"
#include "net/InviteToGroupMessages.h"
#include "net/JoinGroupMessages.h"
#include "net/NoticePollMessages.h"
#include "net/QuitGroupMessages.h"
#include "net/RemoveGroupMemberMessages.h"
#include "net/ShieldGroupMessages.h"
#include "net/UpdateGroupInfoMessages.h"
#include "platform/Gbk.h"
#include "server/ServerFixture.h"

namespace kiv::test {
namespace {

class GroupTest : public ServerFixture {
 protected:
  std::uint8_t invite(RawClient& client, std::uint32_t group, std::uint32_t user) {
    return client.ask<InviteToGroupResponse>(InviteToGroupRequest{group, user}).result;
  }
  std::uint8_t join(RawClient& client, std::uint32_t group) {
    return client.ask<JoinGroupResponse>(JoinGroupRequest{group}).result;
  }
  // The number between the first "[" and the first "]", as the client reads it.
  static std::string bracketed(const std::string& text) {
    const auto open = text.find('[');
    const auto close = text.find(']');
    return text.substr(open + 1, close - open - 1);
  }
};

TEST_F(GroupTest, CreateListMembersAndLimits) {
  const auto me = addUser("建群者");
  auto client = signIn(me);
  const auto first = client->ask<CreateGroupResponse>(CreateGroupRequest{});
  ASSERT_EQ(first.result, CreateGroupResponse::kCreated);
  const auto second = client->ask<CreateGroupResponse>(CreateGroupRequest{});
  ASSERT_EQ(second.result, CreateGroupResponse::kCreated);
  EXPECT_GT(second.groupId, first.groupId);
  EXPECT_EQ(client->ask<CreateGroupResponse>(CreateGroupRequest{}).result, CreateGroupResponse::kAlreadyCreatedTwo);

  const auto list = client->ask<GroupListResponse>(GroupListRequest{});
  ASSERT_EQ(list.groups.size(), 2u);
  EXPECT_EQ(list.groups[0].groupId, first.groupId);
  EXPECT_EQ(gbk::toUtf8(list.groups[0].name), "新建群");
  EXPECT_EQ(list.groups[0].owner, 1);
  EXPECT_EQ(list.groups[0].shielded, 0);

  const auto members = client->ask<GroupMembersResponse>(GroupMembersRequest{first.groupId});
  ASSERT_EQ(members.members.size(), 1u);  // the creator is the first member and owner
  EXPECT_EQ(members.members[0].userId, me);
  EXPECT_EQ(members.members[0].owner, 1);
  EXPECT_EQ(members.members[0].terminal, 3);

  // In five groups already: creating is refused with 2.
  const auto busy = addUser("忙人");
  for (int i = 0; i < 5; ++i) {
    const auto owner = addUser("主" + std::to_string(i));
    admin().addMember(admin().createGroup(owner, "群" + std::to_string(i)), busy);
  }
  auto b = signIn(busy);
  EXPECT_EQ(b->ask<CreateGroupResponse>(CreateGroupRequest{}).result, CreateGroupResponse::kInFiveGroups);
}

TEST_F(GroupTest, InvitationThenJoinAdmitsTheUser) {
  const auto owner = addUser("群主");
  const auto guest = addUser("客人");
  const auto group = admin().createGroup(owner, "邀请群");
  auto o = signIn(owner);
  auto g = signIn(guest);

  EXPECT_EQ(invite(*o, group, guest), InviteToGroupResponse::kInvited);
  EXPECT_FALSE(store_->members().isMember(group, guest));
  const auto poll = g->ask<NoticePollResponse>(NoticePollRequest{});
  ASSERT_EQ(poll.notices.size(), 1u);
  EXPECT_EQ(poll.notices[0].id, owner);  // a private message from the owner
  const auto records = fetch(*g, ConversationKind::kPrivate, owner);
  ASSERT_EQ(records.size(), 1u);
  ASSERT_GE(records[0].text.size(), 2u);
  EXPECT_EQ(records[0].text.substr(0, 2), "\x07\x02");
  EXPECT_EQ(bracketed(records[0].text), std::to_string(group));

  // Accepting the link sends JoinGroupRequest: the user is in at once.
  EXPECT_EQ(join(*g, group), JoinGroupResponse::kPassedToOwner);
  EXPECT_TRUE(store_->members().isMember(group, guest));
  EXPECT_EQ(join(*g, group), JoinGroupResponse::kAlreadyMember);
  EXPECT_EQ(invite(*o, group, guest), InviteToGroupResponse::kAlreadyMember);
  EXPECT_TRUE(o->ask<NoticePollResponse>(NoticePollRequest{}).notices.empty());  // no request went to the owner
}

TEST_F(GroupTest, JoinRequestThenInvitationAdmitsTheUser) {
  const auto owner = addUser("群主");
  const auto asker = addUser("申请人");
  const auto group = admin().createGroup(owner, "申请群");
  auto o = signIn(owner);
  auto a = signIn(asker);

  EXPECT_EQ(join(*a, group), JoinGroupResponse::kPassedToOwner);
  EXPECT_FALSE(store_->members().isMember(group, asker));
  const auto poll = o->ask<NoticePollResponse>(NoticePollRequest{});
  ASSERT_EQ(poll.notices.size(), 1u);
  EXPECT_TRUE(poll.notices[0].isGroup());
  EXPECT_EQ(poll.notices[0].id, group);
  const auto records = fetch(*o, ConversationKind::kGroup, group);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].text.substr(0, 2), "\x07\x01");
  EXPECT_EQ(bracketed(records[0].text), std::to_string(asker));
  // Other members do not see the request.
  const auto member = addUser("老成员");
  admin().addMember(group, member);
  EXPECT_TRUE(signIn(member)->ask<NoticePollResponse>(NoticePollRequest{}).notices.empty());

  // Accepting the link sends InviteToGroupRequest: the asker is admitted.
  EXPECT_EQ(invite(*o, group, asker), InviteToGroupResponse::kInvited);
  EXPECT_TRUE(store_->members().isMember(group, asker));
  EXPECT_TRUE(a->ask<NoticePollResponse>(NoticePollRequest{}).notices.empty());  // no invitation was needed
}

TEST_F(GroupTest, InvitationAndJoinRefusals) {
  const auto owner = addUser("主");
  const auto other = addUser("非主");
  const auto gone = addUser("注销");
  const auto busy = addUser("忙");
  admin().cancelUser(gone);
  const auto group = admin().createGroup(owner, "群");
  admin().addMember(group, other);
  for (int i = 0; i < 5; ++i) admin().addMember(admin().createGroup(addUser("x" + std::to_string(i)), "g"), busy);
  auto o = signIn(owner);
  auto x = signIn(other);
  auto b = signIn(busy);

  EXPECT_EQ(invite(*o, 777777, other), InviteToGroupResponse::kNoSuchGroup);
  EXPECT_EQ(invite(*o, group, 888888), InviteToGroupResponse::kNoSuchUser);
  EXPECT_EQ(invite(*o, group, gone), InviteToGroupResponse::kUserCancelled);
  EXPECT_EQ(invite(*o, group, other), InviteToGroupResponse::kAlreadyMember);
  EXPECT_EQ(invite(*o, group, busy), InviteToGroupResponse::kInThreeGroups);
  EXPECT_EQ(invite(*x, group, busy), InviteToGroupResponse::kSystemError);  // only the owner invites

  EXPECT_EQ(join(*b, group), JoinGroupResponse::kInFiveGroups);
  EXPECT_EQ(join(*b, 777777), JoinGroupResponse::kNoSuchGroup);
  EXPECT_EQ(o->ask<DismissGroupResponse>(DismissGroupRequest{group}).result, 0);
  EXPECT_EQ(join(*x, group), JoinGroupResponse::kDismissed);
}

TEST_F(GroupTest, FullGroupRefusesInvitationsAndJoins) {
  const auto owner = addUser("主");
  const auto group = admin().createGroup(owner, "满员");
  for (int i = 1; i < 200; ++i)
    store_->members().addMember(group, store_->accounts().addAccount("1360000" + std::to_string(1000 + i), "pw", "m"));
  const auto late = addUser("晚到");
  auto o = signIn(owner);
  auto l = signIn(late);
  EXPECT_EQ(invite(*o, group, late), InviteToGroupResponse::kGroupFull);
  EXPECT_EQ(join(*l, group), JoinGroupResponse::kGroupFull);
  EXPECT_EQ(o->ask<GroupMembersResponse>(GroupMembersRequest{group}).members.size(), 200u);
}

TEST_F(GroupTest, DismissQuitRemoveAndShield) {
  const auto owner = addUser("主");
  const auto a = addUser("甲");
  const auto b = addUser("乙");
  const auto group = admin().createGroup(owner, "群");
  admin().addMember(group, a);
  admin().addMember(group, b);
  auto o = signIn(owner);
  auto ca = signIn(a);
  auto cb = signIn(b);

  EXPECT_EQ(ca->ask<ShieldGroupResponse>(ShieldGroupRequest{group, 1}).result, 0);
  auto list = ca->ask<GroupListResponse>(GroupListRequest{});
  ASSERT_EQ(list.groups.size(), 1u);
  EXPECT_EQ(list.groups[0].shielded, 1);
  EXPECT_EQ(list.groups[0].owner, 0);

  // Only the owner removes members, and never itself; the owner cannot quit.
  EXPECT_NE(ca->ask<RemoveGroupMemberResponse>(RemoveGroupMemberRequest{group, b}).result, 0);
  EXPECT_NE(o->ask<RemoveGroupMemberResponse>(RemoveGroupMemberRequest{group, owner}).result, 0);
  EXPECT_EQ(o->ask<RemoveGroupMemberResponse>(RemoveGroupMemberRequest{group, b}).result, 0);
  EXPECT_TRUE(cb->ask<GroupListResponse>(GroupListRequest{}).groups.empty());
  EXPECT_TRUE(cb->ask<GroupMembersResponse>(GroupMembersRequest{group}).members.empty());  // members only
  EXPECT_NE(o->ask<QuitGroupResponse>(QuitGroupRequest{group}).result, 0);
  EXPECT_EQ(ca->ask<QuitGroupResponse>(QuitGroupRequest{group}).result, 0);

  EXPECT_NE(ca->ask<DismissGroupResponse>(DismissGroupRequest{group}).result, 0);
  EXPECT_EQ(o->ask<DismissGroupResponse>(DismissGroupRequest{group}).result, 0);
  EXPECT_NE(o->ask<DismissGroupResponse>(DismissGroupRequest{group}).result, 0);
  EXPECT_TRUE(o->ask<GroupListResponse>(GroupListRequest{}).groups.empty());
  EXPECT_NE(o->ask<GroupInfoResponse>(GroupInfoRequest{group}).status, 0);
  // A dismissed group's number is never given out again.
  EXPECT_GT(o->ask<CreateGroupResponse>(CreateGroupRequest{}).groupId, group);
}

TEST_F(GroupTest, ProfileIsReadByAnyoneAndChangedByTheOwnerOnly) {
  const auto owner = addUser("主");
  const auto other = addUser("客");
  const auto group = admin().createGroup(owner, "旧名");
  admin().addMember(group, other);
  auto o = signIn(owner);
  auto x = signIn(other);

  UpdateGroupInfoRequest update;
  update.groupId = group;
  update.name = gbk::fromUtf8("新名字");
  update.category = gbk::fromUtf8("体育天地");
  update.introduction = gbk::fromUtf8("一起运动");
  update.type = 2;
  EXPECT_NE(x->ask<UpdateGroupInfoResponse>(update).status, 0);
  EXPECT_EQ(o->ask<UpdateGroupInfoResponse>(update).status, 0);

  const auto info = x->ask<GroupInfoResponse>(GroupInfoRequest{group});
  EXPECT_EQ(info.status, 0);
  EXPECT_EQ(gbk::toUtf8(info.name), "新名字");
  EXPECT_EQ(gbk::toUtf8(info.category), "体育天地");
  EXPECT_EQ(gbk::toUtf8(info.introduction), "一起运动");
  EXPECT_EQ(info.memberCount, 2);
  EXPECT_EQ(info.type, 2);
  EXPECT_EQ(info.created.size(), 12u);
  EXPECT_EQ(info.created.find_first_not_of("0123456789"), std::string::npos);
}

}  // namespace
}  // namespace kiv::test
