// Friend list with presence, adding and deleting friends, and the search with
// its pages.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "net/AddFriendMessages.h"
#include "net/DeleteFriendMessages.h"
#include "net/FriendListMessages.h"
#include "net/SearchMessages.h"
#include "platform/Gbk.h"
#include "server/ServerFixture.h"

namespace kiv::test {
namespace {

class ContactTest : public ServerFixture {
 protected:
  SearchResponse search(RawClient& client, std::uint8_t kind, const std::string& utf8, std::uint8_t page) {
    SearchRequest request;
    request.kind = kind;
    request.text = gbk::fromUtf8(utf8);
    request.page = page;
    return client.ask<SearchResponse>(request);
  }
};

TEST_F(ContactTest, FriendListShowsTerminalThreeOnlyWhileSignedIn) {
  const auto me = addUser("我");
  const auto online = addUser("在线");
  const auto offline = addUser("离线");
  admin().addFriend(me, online);
  admin().addFriend(me, offline);
  auto client = signIn(me);
  auto other = signIn(online);

  auto list = client->ask<FriendListResponse>(FriendListRequest{});
  ASSERT_EQ(list.friends.size(), 2u);
  EXPECT_EQ(list.friends[0].userId, online);
  EXPECT_EQ(gbk::toUtf8(list.friends[0].nickname), "在线");
  EXPECT_EQ(list.friends[0].terminal, 3);
  EXPECT_EQ(list.friends[1].userId, offline);
  EXPECT_EQ(list.friends[1].terminal, 0);

  other.reset();  // signs out by closing
  for (int i = 0; i < 50 && list.friends[0].terminal != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    list = client->ask<FriendListResponse>(FriendListRequest{});
  }
  EXPECT_EQ(list.friends[0].terminal, 0);
}

TEST_F(ContactTest, AddFriendResultsAndDeleteIsOneWay) {
  const auto me = addUser("我");
  const auto other = addUser("他");
  const auto gone = addUser("注销");
  admin().cancelUser(gone);
  auto client = signIn(me);

  EXPECT_EQ(client->ask<AddFriendResponse>(AddFriendRequest{other}).result, AddFriendResponse::kAdded);
  EXPECT_EQ(client->ask<AddFriendResponse>(AddFriendRequest{other}).result, AddFriendResponse::kAlreadyFriend);
  EXPECT_EQ(client->ask<AddFriendResponse>(AddFriendRequest{99999}).result, AddFriendResponse::kNoSuchUser);
  EXPECT_EQ(client->ask<AddFriendResponse>(AddFriendRequest{gone}).result, AddFriendResponse::kNoSuchUser);
  EXPECT_EQ(client->ask<AddFriendResponse>(AddFriendRequest{me}).result, AddFriendResponse::kRefused);
  // Adding is one way: the other user's list is unchanged.
  EXPECT_TRUE(store_->friends().friends(other).empty());

  EXPECT_EQ(client->ask<DeleteFriendResponse>(DeleteFriendRequest{other}).result, 0);
  EXPECT_TRUE(client->ask<FriendListResponse>(FriendListRequest{}).friends.empty());
}

TEST_F(ContactTest, FriendLimitRefusesTheTwoHundredAndFirst) {
  const auto me = addUser("交际花");
  for (int i = 0; i < 200; ++i)
    store_->friends().addFriend(me, store_->accounts().addAccount("1370000" + std::to_string(1000 + i), "pw", "f"));
  const auto one_more = addUser("再一个");
  auto client = signIn(me);
  EXPECT_EQ(client->ask<AddFriendResponse>(AddFriendRequest{one_more}).result, AddFriendResponse::kRefused);
  EXPECT_EQ(client->ask<FriendListResponse>(FriendListRequest{}).friends.size(), 200u);
}

TEST_F(ContactTest, NicknameSearchWithTwentyThreeHitsGivesPagesOfTenTenThree) {
  const auto me = addUser("搜索者");
  std::vector<std::uint32_t> hits;
  for (int i = 0; i < 23; ++i) hits.push_back(addUser("棉花" + std::to_string(i)));
  addUser("别的名字");
  auto client = signIn(me);

  std::vector<std::uint32_t> seen;
  for (std::uint8_t page = 0; page < 3; ++page) {
    const auto response = search(*client, SearchRequest::kUserByNickname, "棉花", page);
    EXPECT_EQ(response.hits.size(), page < 2 ? 10u : 3u) << "page " << int(page);
    for (const auto& hit : response.hits) seen.push_back(hit.userId);
  }
  EXPECT_EQ(seen, hits);  // every hit once, in number order
  EXPECT_TRUE(search(*client, SearchRequest::kUserByNickname, "棉花", 3).hits.empty());
  EXPECT_TRUE(search(*client, SearchRequest::kUserByNickname, "棉花", 255).hits.empty());
}

TEST_F(ContactTest, SearchByNumberAndByGroupName) {
  const auto me = addUser("我");
  const auto other = addUser("Alice");
  auto client = signIn(me);
  const auto group = admin().createGroup(other, "羽毛球");

  auto byId = search(*client, SearchRequest::kUserById, " " + std::to_string(other) + " ", 0);
  ASSERT_EQ(byId.hits.size(), 1u);
  EXPECT_EQ(byId.hits[0].userId, other);
  EXPECT_EQ(byId.hits[0].nickname, "Alice");
  EXPECT_EQ(byId.hits[0].terminal, 0);
  EXPECT_TRUE(search(*client, SearchRequest::kUserById, "12a4", 0).hits.empty());
  EXPECT_TRUE(search(*client, SearchRequest::kUserById, "", 0).hits.empty());
  // ASCII letters match case-insensitively; my own entry shows me online.
  EXPECT_EQ(search(*client, SearchRequest::kUserByNickname, "alice", 0).hits.size(), 1u);
  EXPECT_EQ(search(*client, SearchRequest::kUserById, std::to_string(me), 0).hits.at(0).terminal, 3);

  auto byName = search(*client, SearchRequest::kGroupByName, "毛", 0);
  ASSERT_EQ(byName.hits.size(), 1u);
  EXPECT_EQ(byName.hits[0].userId, group);
  EXPECT_EQ(search(*client, SearchRequest::kGroupById, std::to_string(group), 0).hits.size(), 1u);
  EXPECT_TRUE(search(*client, SearchRequest::kGroupById, std::to_string(other), 0).hits.empty());
}

TEST(GbkMatch, MatchesOnlyAtCharacterBoundaries) {
  using kiv::server::containsGbk;
  // "中文" is D6 D0 CE C4: the bytes D0 CE straddle both characters and
  // must not match the character whose code is D0CE.
  const std::string text = "\xD6\xD0\xCE\xC4";
  EXPECT_TRUE(containsGbk(text, "\xCE\xC4"));
  EXPECT_FALSE(containsGbk(text, "\xD0\xCE"));
  EXPECT_TRUE(containsGbk("abc" + text, "ABC"));
  EXPECT_TRUE(containsGbk(text, ""));
  EXPECT_FALSE(containsGbk("", "a"));
  // A lone lead byte at the end neither crashes nor matches beyond the text.
  EXPECT_FALSE(containsGbk("a\xD6", "\xD6\xD0"));
}

}  // namespace
}  // namespace kiv::test
