#include "model/AnswerRelay.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "net/NetClient.h"
#include "net/ReceiverRegistry.h"
#include "net/SearchMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/Gbk.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

namespace kiv {
namespace {

PendingRequest stored(const std::vector<std::uint8_t>& packet) {
  PendingRequest request;
  std::copy(packet.begin(), packet.end(), request.packet);
  request.length = static_cast<std::int32_t>(packet.size());
  return request;
}

// Hands `answer` to `handle` from a thread of its own, as the receive thread
// does, keeping the UI thread's events going until the hand-over returned.
bool deliverFromAnotherThread(ReceiverRegistry& registry, ReceiverHandle handle, const PendingRequest& request,
                              std::vector<std::uint8_t> answer, std::uint32_t command) {
  answer.resize(kMaxPacketSize);
  std::atomic<bool> finished{false};
  bool found = false;
  std::thread receiver([&] {
    found = registry.deliver(handle, request, answer.data(), static_cast<std::uint32_t>(answer.size()), command);
    finished = true;
  });
  const bool returned = test::waitFor([&] { return finished.load(); }, std::chrono::milliseconds(5000));
  receiver.join();
  return returned && found;
}

struct Seen {
  std::vector<UserInfoRequest> asked;
  std::vector<UserInfoResponse> answers;
  std::vector<QThread*> threads;
};

class AnswerRelayTest : public ::testing::Test {
 protected:
  test::TempDir logs{"kiv-relay"};
  ReceiverRegistry registry;
  NetClient net{NetClient::Options{nullptr, 1.0, logs.path(), &registry}};
  AnswerRelay relay{net, registry};
  Seen seen;

  ReceiverHandle listenOn(QObject* context) {
    return relay.listen(context, [this](const UserInfoRequest& asked, const UserInfoResponse& answer) {
      seen.asked.push_back(asked);
      seen.answers.push_back(answer);
      seen.threads.push_back(QThread::currentThread());
    });
  }
};

TEST_F(AnswerRelayTest, DecodesOnTheWayAndHandsBothSidesOverOnTheUiThread) {
  QObject window;
  const ReceiverHandle handle = listenOn(&window);
  ASSERT_NE(handle, 0u);
  UserInfoResponse profile;
  profile.userId = 10002;
  profile.nickname = gbk::fromUtf8("李小红");
  profile.city = gbk::fromUtf8("广州");
  const HeaderKey key = net.newKey();
  ASSERT_TRUE(deliverFromAnotherThread(registry, handle, stored(UserInfoRequest{10002}.build(key)), profile.build(key),
                                       UserInfoResponse::kCommand));

  ASSERT_EQ(seen.answers.size(), 1u);
  EXPECT_EQ(seen.asked[0].userId, 10002u);
  EXPECT_EQ(seen.answers[0], profile);
  EXPECT_EQ(seen.threads[0], QCoreApplication::instance()->thread());

  // A standing asker takes the next answer too.
  ASSERT_TRUE(deliverFromAnotherThread(registry, handle, stored(UserInfoRequest{10003}.build(key)), profile.build(key),
                                       UserInfoResponse::kCommand));
  ASSERT_EQ(seen.asked.size(), 2u);
  EXPECT_EQ(seen.asked[1].userId, 10003u);
}

TEST_F(AnswerRelayTest, AnAnswerOfAnotherKindIsNotHandedOn) {
  QObject window;
  const ReceiverHandle handle = listenOn(&window);
  const HeaderKey key = net.newKey();
  SearchResponse other;
  other.hits.push_back({10004, gbk::fromUtf8("赵静"), 1});
  ASSERT_TRUE(deliverFromAnotherThread(registry, handle, stored(UserInfoRequest{10004}.build(key)), other.build(key),
                                       SearchResponse::kCommand));
  EXPECT_TRUE(seen.answers.empty());
  // Nor a stored request that claims more bytes than its slot holds.
  PendingRequest broken = stored(UserInfoRequest{10004}.build(key));
  broken.length = kMaxPacketSize + 100;
  ASSERT_TRUE(
      deliverFromAnotherThread(registry, handle, broken, UserInfoResponse{}.build(key), UserInfoResponse::kCommand));
  ASSERT_EQ(seen.asked.size(), 1u);
  EXPECT_EQ(seen.asked[0].userId, 10004u);
}

TEST_F(AnswerRelayTest, AWindowGoneBeforeItsAnswerHearsNothingAndLeavesNothingBehind) {
  auto* window = new QObject;
  const ReceiverHandle handle = listenOn(window);
  const HeaderKey key = net.newKey();
  std::shared_ptr<ResponseReceiver> inFlight = registry.find(handle);
  ASSERT_NE(inFlight, nullptr);
  std::atomic<bool> finished{false};
  std::vector<std::uint8_t> answer = UserInfoResponse{}.build(key);
  answer.resize(kMaxPacketSize);
  const PendingRequest request = stored(UserInfoRequest{10005}.build(key));
  // The receive thread holds the asker while the window closes.
  std::thread receiver([&] {
    inFlight->OnServerResponse(request, answer.data(), kMaxPacketSize, UserInfoResponse::kCommand);
    finished = true;
  });
  delete window;
  EXPECT_TRUE(test::waitFor([&] { return finished.load(); }, std::chrono::milliseconds(5000)));
  receiver.join();
  EXPECT_TRUE(seen.answers.empty());
  EXPECT_EQ(registry.find(handle), nullptr);
}

TEST_F(AnswerRelayTest, NothingIsAskedForAWindowThatIsAlreadyGone) {
  QPointer<QObject> gone = new QObject;
  delete gone.data();
  EXPECT_FALSE(relay.ask(UserInfoRequest{10001}, gone.data(),
                         [](const UserInfoRequest&, const UserInfoResponse&) { ADD_FAILURE(); }));
  EXPECT_EQ(net.pendingRequests(), 0);
}

}  // namespace
}  // namespace kiv
