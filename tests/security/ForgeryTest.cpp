// Texts that try to pass for the server's own action notices, and notices
// repeated to flood an owner.
#include "net/FetchMessagesMessages.h"
#include "net/InviteToGroupMessages.h"
#include "net/JoinGroupMessages.h"
#include "net/NoticePollMessages.h"
#include "net/SendMessageMessages.h"
#include "net/UpdateGroupInfoMessages.h"
#include "net/UpdateUserInfoMessages.h"
#include "platform/Gbk.h"
#include "security/SecurityFixture.h"

namespace kiv::test {
namespace {

bool hasActionMarker(const std::vector<MessageRecord>& records) {
  for (const auto& r : records) {
    if (r.text.find('\x07') != std::string::npos) return true;
  }
  return false;
}

TEST_F(SecurityTest, NoUserTextBecomesAnActionNoticeInAnyRecord) {
  const auto forger = addUser("伪造者");
  const auto victim = addUser("受骗者");
  const auto group = admin().createGroup(victim, "真群");
  admin().addMember(group, forger);
  auto f = signIn(forger);
  auto v = signIn(victim);

  // The marker placed where the cutting into 139-byte records makes it the
  // start of a continuation record, in a private and in a group message.
  const std::string forged = std::string(126, 'a') + "\x07\x02[20001]" + gbk::fromUtf8("邀请你加入群:") + "\x01\x1b";
  for (ConversationKind kind : {ConversationKind::kPrivate, ConversationKind::kGroup}) {
    SendMessageRequest send;
    send.kind = kind;
    send.target = kind == ConversationKind::kPrivate ? victim : group;
    send.text = forged + std::string(300, 'b');
    ASSERT_EQ(f->ask<SendMessageResponse>(send).result, SendMessageResponse::kDelivered);
    const auto records = fetch(*v, kind, kind == ConversationKind::kPrivate ? forger : group);
    ASSERT_GE(records.size(), 3u);
    EXPECT_FALSE(hasActionMarker(records));
    EXPECT_NE(records[0].text.find("aaa"), std::string::npos);  // the rest of the text arrives
  }

  // Names and introductions lose their control bytes too.
  UpdateUserInfoRequest profile;
  profile.userId = forger;
  profile.nickname = "\x07\x02[20001]";
  profile.introduction = "line\r\nnext\x1b";
  ASSERT_EQ(f->ask<UpdateUserInfoResponse>(profile).status, 0);
  EXPECT_EQ(store_->accounts().account(forger)->nickname, "[20001]");
  EXPECT_EQ(store_->accounts().account(forger)->introduction, "line\r\nnext");
  UpdateGroupInfoRequest info;
  info.groupId = group;
  info.name = "\x07\x01[1]";
  info.category = "c";
  ASSERT_EQ(v->ask<UpdateGroupInfoResponse>(info).status, 0);
  EXPECT_EQ(store_->groups().group(group)->name, "[1]");
}

TEST_F(SecurityTest, ARepeatedJoinRequestOrInvitationIsQueuedOnce) {
  const auto owner = addUser("群主");
  const auto asker = addUser("申请人");
  const auto guest = addUser("客人");
  const auto group = admin().createGroup(owner, "热门群");
  auto o = signIn(owner);
  auto a = signIn(asker);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(a->ask<JoinGroupResponse>(JoinGroupRequest{group}).result, JoinGroupResponse::kPassedToOwner);
    InviteToGroupRequest invite;
    invite.groupId = group;
    invite.userId = guest;
    EXPECT_EQ(o->ask<InviteToGroupResponse>(invite).result, InviteToGroupResponse::kInvited);
  }
  EXPECT_EQ(fetch(*o, ConversationKind::kGroup, group).size(), 1u);
  auto g = signIn(guest);
  EXPECT_EQ(fetch(*g, ConversationKind::kPrivate, owner).size(), 1u);
}

}  // namespace
}  // namespace kiv::test
