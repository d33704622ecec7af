#include "model/ContactModel.h"

#include <gtest/gtest.h>

#include "model/ItemTexts.h"
#include "model/ModelTestSupport.h"
#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "net/GroupMembersMessages.h"
#include "net/Packet.h"
#include "platform/Gbk.h"

namespace kiv {
namespace {

using test::FakeWindow;
using test::RecordingObserver;

std::string g(const char* utf8) {
  return gbk::fromUtf8(utf8);
}

FriendRecord friendRecord(std::uint32_t id, std::string nickname, std::uint8_t terminal = 3) {
  return FriendRecord{id, std::move(nickname), terminal};
}

GroupRecord groupRecord(std::uint32_t id, std::string name, std::uint8_t owner = 0, std::uint8_t shielded = 0) {
  return GroupRecord{id, std::move(name), owner, shielded};
}

MemberRecord member(std::uint32_t id, std::string nickname, std::uint8_t owner = 0, std::uint8_t terminal = 2) {
  return MemberRecord{id, std::move(nickname), terminal, owner, 9};
}

std::vector<std::int32_t> friendRows(const ContactModel& model) {
  return model.list(ContactListKind::kFriends).rows();
}

std::vector<std::int32_t> memberIds(const GroupEntry& group) {
  std::vector<std::int32_t> ids;
  for (const auto& m : group.members) ids.push_back(m.userId);
  return ids;
}

class ContactModelTest : public ::testing::Test {
 protected:
  ContactModel model;
  RecordingObserver observer;
  std::shared_ptr<std::vector<std::string>> destroyed = std::make_shared<std::vector<std::string>>();

  void SetUp() override { model.addObserver(&observer); }
  void openPrivate(std::int32_t userId) {
    model.conversations().addPrivate(userId, new FakeWindow("private " + std::to_string(userId), destroyed));
  }
  void openGroup(std::int32_t groupId) {
    model.conversations().addGroup(groupId, new FakeWindow("group " + std::to_string(groupId), destroyed));
  }
};

TEST_F(ContactModelTest, FriendListOf250ListsTheFirst200ButTheEmptyRecord) {
  FriendListResponse response;
  for (std::uint32_t id = 1; id <= 250; ++id) response.friends.push_back(friendRecord(id, "f" + std::to_string(id)));
  response.friends[4] = friendRecord(0, "empty slot");
  response.friends[6].nickname.clear();
  model.replaceFriends(response);

  const auto& friends = model.list(ContactListKind::kFriends);
  ASSERT_EQ(friends.size(), 199);  // records 0..199 but the empty one
  EXPECT_EQ(friends.atRow(198)->userId, 200);
  EXPECT_NE(friends.find(101), nullptr) << "friends beyond the hundredth are listed too";
  EXPECT_EQ(friends.find(201), nullptr);
  EXPECT_EQ(friends.atRow(4)->userId, 6);
  EXPECT_EQ(friends.find(7)->nickname, gbk::fromUtf8("匿名"));
  EXPECT_EQ(observer.events.front(), "friend +0 1:f1");
  EXPECT_EQ(observer.events.size(), 199u);
}

TEST_F(ContactModelTest, LaterFriendListsUpdateInPlaceAndNeverDropRows) {
  FriendListResponse first;
  for (std::uint32_t id : {11u, 12u, 13u}) first.friends.push_back(friendRecord(id, "n" + std::to_string(id), 3));
  model.replaceFriends(first);
  observer.events.clear();

  FriendListResponse second;  // 12 went offline (terminal 0), 13 is missing, 14 is new
  second.friends = {friendRecord(14, "n14"), friendRecord(12, "n12", 0), friendRecord(11, "n11", 3)};
  model.replaceFriends(second);
  EXPECT_EQ(observer.events, (std::vector<std::string>{"friend +3 14:n14", "friend ~1 12:n12 t0"}));
  EXPECT_EQ(friendRows(model), (std::vector<std::int32_t>{11, 12, 13, 14}));

  observer.events.clear();
  model.replaceFriends(FriendListResponse{});  // no records: the rows stay
  EXPECT_EQ(friendRows(model), (std::vector<std::int32_t>{11, 12, 13, 14}));
  EXPECT_TRUE(observer.events.empty());
}

TEST_F(ContactModelTest, RemovingTheThirdOfFiveRowsMovesOnlyTheLaterRowsUp) {
  for (std::int32_t id = 1; id <= 5; ++id) {
    EXPECT_EQ(model.addOrUpdateContact(ContactListKind::kStrangers, {id, "s" + std::to_string(id)}), id - 1);
  }
  openPrivate(3);
  openPrivate(4);
  EXPECT_TRUE(model.removeContact(ContactListKind::kStrangers, 3));
  const auto& strangers = model.list(ContactListKind::kStrangers);
  EXPECT_EQ(strangers.find(1)->row, 0);
  EXPECT_EQ(strangers.find(2)->row, 1);
  EXPECT_EQ(strangers.find(4)->row, 2);
  EXPECT_EQ(strangers.find(5)->row, 3);
  EXPECT_EQ(strangers.atRow(2)->userId, 4);
  EXPECT_EQ(observer.events.back(), "stranger -2 3");
  EXPECT_EQ(*destroyed, std::vector<std::string>{"private 3"});  // only the removed person's window
  EXPECT_FALSE(model.removeContact(ContactListKind::kStrangers, 3));
  EXPECT_EQ(model.conversations().privateNumbers(), std::vector<std::int32_t>{4});
}

TEST_F(ContactModelTest, GroupListOf12KeepsTenAndRemovesWhatIsNoLongerListedWithItsWindows) {
  GroupListResponse before;
  before.groups = {groupRecord(900, "old", 1), groupRecord(1, "one")};
  model.replaceGroups(before);
  ASSERT_TRUE(model.replaceMembers(900, GroupMembersResponse{{member(21, "a"), member(22, "b")}}));
  openGroup(900);
  openGroup(1);
  openPrivate(21);
  openPrivate(50);
  EXPECT_EQ(model.ownedGroupCount(), 1);

  GroupListResponse response;
  for (std::uint32_t id = 1; id <= 12; ++id) response.groups.push_back(groupRecord(id, "G" + std::to_string(id)));
  response.groups[2].groupId = 0;                    // an empty record inside the count
  response.groups[11] = groupRecord(900, "old", 1);  // twelfth: beyond the table
  observer.events.clear();
  const auto asked = model.replaceGroups(response);

  EXPECT_EQ(asked, (std::vector<std::int32_t>{1, 2, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(model.findGroup(3), nullptr);
  EXPECT_EQ(model.findGroup(900), nullptr);
  EXPECT_EQ(model.groups().size(), 9u);
  EXPECT_EQ(model.groups().front().groupId, 1);  // first arrival keeps its place
  EXPECT_EQ(model.ownedGroupCount(), 0);
  EXPECT_EQ(*destroyed, (std::vector<std::string>{"group 900", "private 21"}));
  EXPECT_EQ(model.conversations().groupNumbers(), std::vector<std::int32_t>{1});
  EXPECT_EQ(model.conversations().privateNumbers(), std::vector<std::int32_t>{50});
  EXPECT_EQ(observer.events.back(), "group -900");
}

TEST_F(ContactModelTest, GroupTextsAndWhenAnUpdateTakes) {
  model.replaceGroups(GroupListResponse{{groupRecord(7, "Fans(2010)", 1, 0), groupRecord(8, g("球迷"), 0, 1)}});
  EXPECT_EQ(model.findGroup(7)->displayText, "Fans(2010)" + std::string(8, ' '));
  EXPECT_EQ(model.findGroup(8)->displayText, g("球迷(屏蔽中)") + std::string(8, ' '));
  EXPECT_EQ(model.ownedGroupCount(), 1);

  // Same text: owner and shield stay as they were.
  observer.events.clear();
  model.replaceGroups(GroupListResponse{{groupRecord(7, "Fans(2010)", 0, 0), groupRecord(8, g("球迷"), 0, 1)}});
  EXPECT_TRUE(observer.events.empty());
  EXPECT_EQ(model.findGroup(7)->owner, 1);

  // Shielding rebuilds the text from the name, with 10 spaces; the name
  // keeps the brackets of its own.
  EXPECT_TRUE(model.setGroupShield(7, true));
  EXPECT_EQ(model.findGroup(7)->displayText, "Fans(2010)" + g("(屏蔽中)") + std::string(10, ' '));
  EXPECT_EQ(model.findGroup(7)->shielded, 1);
  EXPECT_TRUE(model.setGroupShield(7, false));
  EXPECT_EQ(model.findGroup(7)->displayText, "Fans(2010)" + std::string(10, ' '));
  EXPECT_FALSE(model.setGroupShield(99, true));

  // A created group counts at once; the list later renames it.
  model.addOrUpdateGroup(31, texts::newGroup(), true, false);
  EXPECT_EQ(model.ownedGroupCount(), 2);
  EXPECT_EQ(model.groups().back().displayText, g("新建群"));
  EXPECT_TRUE(model.setGroupText(31, std::string(60, 'x')));
  EXPECT_EQ(model.findGroup(31)->displayText.size(), 39u);
}

TEST_F(ContactModelTest, MembersFollowTheirAnswerWithTheOwnerFirst) {
  model.replaceGroups(GroupListResponse{{groupRecord(5, "g5"), groupRecord(6, "g6")}});
  EXPECT_FALSE(model.replaceMembers(77, GroupMembersResponse{{member(1, "x")}}));  // not in the tree

  ASSERT_TRUE(model.replaceMembers(5, GroupMembersResponse{{member(1, "a"), member(2, "b"), member(3, "boss", 1)}}));
  EXPECT_EQ(memberIds(*model.findGroup(5)), (std::vector<std::int32_t>{3, 1, 2}));
  EXPECT_EQ(model.findGroup(5)->members[0].extra, 9);
  EXPECT_EQ(observer.events.back(), "member +5 first 3:boss");

  openPrivate(1);
  openPrivate(2);
  observer.events.clear();
  ASSERT_TRUE(model.replaceMembers(5, GroupMembersResponse{{member(3, "boss", 1, 3), member(2, "b"), member(4, "d")}}));
  EXPECT_EQ(memberIds(*model.findGroup(5)), (std::vector<std::int32_t>{3, 2, 4}));
  EXPECT_EQ(observer.events, (std::vector<std::string>{"member ~5 3:boss", "member +5 last 4:d", "member -5 1"}));
  EXPECT_EQ(*destroyed, std::vector<std::string>{"private 1"});

  EXPECT_FALSE(model.removeMember(5, 1));
  EXPECT_FALSE(model.removeMember(6, 2));
  EXPECT_TRUE(model.removeMember(5, 2));
  EXPECT_EQ(destroyed->back(), "private 2");
}

TEST_F(ContactModelTest, FindMemberInAnyGroupTrimsAndTakesTheFirstGroup) {
  model.replaceGroups(GroupListResponse{{groupRecord(20, "second"), groupRecord(10, "first")}});
  model.replaceMembers(10, GroupMembersResponse{{member(7, " seven ", 0, 1)}});
  model.replaceMembers(20, GroupMembersResponse{{member(7, "seven-b", 0, 3)}});
  const auto match = model.findMemberInAnyGroup(7);
  ASSERT_TRUE(match.has_value());
  EXPECT_EQ(match->groupId, 20);  // tree order: "second" arrived first
  EXPECT_EQ(match->nickname, "seven-b");
  EXPECT_EQ(match->groupText, "second");
  EXPECT_EQ(match->terminal, 3);
  model.removeGroup(20);
  EXPECT_EQ(model.findMemberInAnyGroup(7)->nickname, "seven");
  EXPECT_FALSE(model.findMemberInAnyGroup(8).has_value());
}

TEST_F(ContactModelTest, OwnProfileAndReplacedAvatarsReachTheViews) {
  SelfProfile self;
  self.userId = 10001;
  self.nickname = gbk::fromUtf8("张小明");
  model.setSelf(self);
  model.announceAvatar(20001, true);
  model.announceAvatar(10002, false);
  EXPECT_EQ(observer.events, (std::vector<std::string>{"self 10001:张小明", "group avatar 20001", "user avatar 10002"}));

  // From another thread nothing changes and nobody is told.
  std::thread([&] {
    model.setSelf(SelfProfile{});
    model.announceAvatar(1, false);
  }).join();
  EXPECT_EQ(model.self().userId, 10001);
  EXPECT_EQ(observer.events.size(), 3u);
}

TEST(ItemTexts, RowMemberAndGroupTexts) {
  EXPECT_EQ(texts::contactRow("Li", 123), "Li(123)");
  EXPECT_EQ(texts::contactRow("12345", 12345), "12345");
  EXPECT_EQ(texts::contactRow("012345", 12345), "012345(12345)");
  EXPECT_EQ(texts::memberItem("Li", 123), "Li(123)" + std::string(8, ' '));
  EXPECT_EQ(texts::memberItem("123", 123), "123" + std::string(13, ' '));
  EXPECT_EQ(texts::groupItem(g("朋友"), true, 8), g("朋友(屏蔽中)") + std::string(8, ' '));
  EXPECT_EQ(texts::trimmed("  a b \t"), "a b");
  EXPECT_EQ(texts::trimmed("   "), "");
  EXPECT_EQ(texts::groupNameOf("  Fans(2010)        "), "Fans(2010)");
  EXPECT_EQ(texts::groupNameOf("(x)y" + g("(屏蔽中)") + " "), "(x)y");
  EXPECT_EQ(texts::groupNameOf("plain  "), "plain");
  // A nickname of 16 bytes off the wire keeps 15, never half a character.
  EXPECT_EQ(texts::clipNickname("abcdefghijklmnopq"), "abcdefghijklmno");
  EXPECT_EQ(texts::clipNickname(g("一二三四五六七八")), g("一二三四五六七"));
  EXPECT_EQ(texts::nicknameOrAnonymous(std::string("\0\0", 2)), g("匿名"));
}

TEST(ConversationRegistry, ReRegisteringDestroysThePreviousWindowAndShutdownDestroysAll) {
  auto destroyed = std::make_shared<std::vector<std::string>>();
  {
    ConversationRegistry registry;
    auto* first = registry.addPrivate(4, new FakeWindow("p4a", destroyed));
    EXPECT_EQ(registry.findPrivate(4), first);
    EXPECT_EQ(registry.addPrivate(4, first), first);  // the same window again: kept
    EXPECT_TRUE(destroyed->empty());
    registry.addPrivate(4, new FakeWindow("p4b", destroyed));
    EXPECT_EQ(*destroyed, std::vector<std::string>{"p4a"});
    registry.addGroup(4, new FakeWindow("g4", destroyed));  // separate maps, same number
    EXPECT_FALSE(registry.destroyGroup(5));
    registry.destroyAll();
    EXPECT_EQ(registry.findGroup(4), nullptr);
    registry.addGroup(6, new FakeWindow("g6", destroyed));
  }  // the registry's end destroys what is left
  EXPECT_EQ(*destroyed, (std::vector<std::string>{"p4a", "p4b", "g4", "g6"}));
}

}  // namespace
}  // namespace kiv
