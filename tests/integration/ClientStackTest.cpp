// The client stack the window tests stand on: a demo account signs in to the
// in-process server at the fast pace and the model fills as the main window
// fills it.
#include <gtest/gtest.h>

#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "support/TempDir.h"
#include "support/session/ClientStack.h"

namespace kiv::test {
namespace {

TEST(ClientStack, DemoAccountSignsInAndTheModelHoldsItsFriendsGroupsAndMembers) {
  MessageRecorder boxes;
  DemoServer server;
  TempDir home;
  ClientStack zhang(server, DemoServer::demoPhone(10001), home.path());
  ASSERT_TRUE(zhang.signIn());

  EXPECT_EQ(zhang.userId(), 10001);
  EXPECT_EQ(gbk::toUtf8(zhang.model.self().nickname), "张小明");
  const auto& friends = zhang.model.list(ContactListKind::kFriends);
  EXPECT_EQ(friends.size(), 3);
  ASSERT_NE(friends.find(10002), nullptr);
  EXPECT_EQ(gbk::toUtf8(friends.find(10002)->nickname), "李小红");
  ASSERT_EQ(zhang.model.groups().size(), 2u);
  const GroupEntry* classmates = zhang.model.findGroup(20001);
  ASSERT_NE(classmates, nullptr);
  EXPECT_EQ(classmates->owner, 1);
  EXPECT_EQ(classmates->members.size(), 4u);
  EXPECT_EQ(classmates->members.front().userId, 10001);  // the owner goes first
  EXPECT_FALSE(zhang.store.history.accountDirectory().empty());
  EXPECT_TRUE(boxes.texts().empty());
}

}  // namespace
}  // namespace kiv::test
