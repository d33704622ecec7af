// A cancelled account's live session ends at once.
#include "net/SendMessageMessages.h"
#include "net/LoginMessages.h"
#include "security/SecurityFixture.h"

namespace kiv::test {
namespace {

TEST_F(SecurityTest, ACancelledAccountsSessionIsClosedAtOnce) {
  const auto cancelled = addUser("注销");
  const auto genuine = addUser("正常");
  auto c = signIn(cancelled);
  auto g = signIn(genuine);
  ASSERT_TRUE(admin().cancelUser(cancelled));
  // Closed by the server within a second or two, without asking anything.
  EXPECT_TRUE(c->closedByServer(5000));
  RawClient again(server_->chatPort());
  EXPECT_EQ(again.login(phoneOf(cancelled), "pw"), LoginResponse::kCancelled);
  EXPECT_TRUE(served(*g, genuine));
  EXPECT_EQ(server_->signedInCount(), 1u);
}

}  // namespace
}  // namespace kiv::test
