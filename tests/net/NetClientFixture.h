#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/LoginMessages.h"
#include "net/LogoutMessages.h"
#include "net/NetClient.h"
#include "net/NetObserver.h"
#include "net/ReceiverRegistry.h"
#include "net/UserInfoMessages.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "support/FakePeer.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

namespace kiv::test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

class RecordingObserver : public NetObserver {
 public:
  void onLoginSucceeded() override { ++logins; }
  void onLoginRefused(int result, const std::string& text) override {
    std::lock_guard lock(mutex);
    refusals.emplace_back(result, text);
  }
  void onOwnProfile(const UserInfoResponse& profile) override {
    std::lock_guard lock(mutex);
    ownIds.push_back(profile.userId);
  }
  std::vector<std::uint32_t> ownIdsSeen() {
    std::lock_guard lock(mutex);
    return ownIds;
  }
  void onNotice(const MessageNotice& notice) override {
    std::lock_guard lock(mutex);
    notices.push_back(notice);
  }
  void onGroupList(const GroupListResponse& groups) override {
    std::lock_guard lock(mutex);
    groupLists.push_back(groups);
  }
  void onConnectionEnded(LogoutState state) override {
    std::lock_guard lock(mutex);
    ended.push_back(state);
  }
  std::vector<LogoutState> endedStates() {
    std::lock_guard lock(mutex);
    return ended;
  }

  std::mutex mutex;
  std::atomic<int> logins{0};
  std::vector<std::pair<int, std::string>> refusals;
  std::vector<std::uint32_t> ownIds;
  std::vector<MessageNotice> notices;
  std::vector<GroupListResponse> groupLists;
  std::vector<LogoutState> ended;
};

// Records every answer delivered to it.
class RecordingReceiver : public ResponseReceiver {
 public:
  struct Call {
    Bytes request;
    Bytes response;
    std::uint32_t command;
  };
  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override {
    EXPECT_LE(size, kMaxPacketSize);
    std::lock_guard lock(mutex);
    calls.push_back(
        {Bytes(request.packet, request.packet + request.length), Bytes(response, response + kMaxPacketSize), command});
  }
  std::size_t count() {
    std::lock_guard lock(mutex);
    return calls.size();
  }
  std::mutex mutex;
  std::vector<Call> calls;
};

// A NetClient on fast timing and a standing clock, talking to a FakePeer
// that plays a server: it answers logins with `loginAnswer`, the own-profile
// request with `profileId` and (when `answerLogout`) every logout.
class NetClientFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    peer.setResponder([this](const Bytes& p) { return serve(p); });
    client = makeClient();
  }

  void TearDown() override {
    client->Shutdown();
    EXPECT_TRUE(client->waitForThreads(10s));
    // The responder calls serve() on this fixture; it must not run while the
    // fixture is being destroyed.
    peer.stop();
  }

  std::unique_ptr<NetClient> makeClient() {
    NetClient::Options options;
    options.clock = &clock;
    options.pauseScale = 0.01;
    options.logDirectory = dir.file("Log");
    options.registry = &registry;
    auto c = std::make_unique<NetClient>(options);
    c->SetServer("127.0.0.1", peer.port());
    c->SetAccount("13800000000", "secret");
    c->setObserver(observer);
    return c;
  }

  virtual std::vector<Bytes> serve(const Bytes& p) {
    const HeaderKey key = keyOf(p.data());
    switch (commandOf(p.data())) {
      case LoginRequest::kCommand:
        return {LoginResponse{static_cast<std::uint8_t>(loginAnswer.load())}.build(key)};
      case 3: {
        UserInfoResponse profile;
        profile.userId = profileId;
        profile.nickname = "me";
        return {profile.build(key)};
      }
      case LogoutRequest::kCommand:
        if (answerLogout) return {LogoutResponse{}.build(key)};
        return {};
      default:
        return {};
    }
  }

  bool signedIn() {
    return waitFor([&] { return client->loggedIn() && client->ownUserId() == profileId; });
  }

  std::string logText() {
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("Log"))) {
      std::ifstream in(entry.path());
      all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return all;
  }

  TempDir dir;
  FakeClock clock{2026, 12, 8, 10, 15, 0};
  MessageRecorder boxes;
  ReceiverRegistry registry;
  FakePeer peer;
  std::atomic<int> loginAnswer{0};
  std::atomic<std::uint32_t> profileId{777};
  std::atomic<bool> answerLogout{true};
  std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
  std::unique_ptr<NetClient> client;
};

}  // namespace kiv::test
