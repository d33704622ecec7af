// The chat port's handling of one connection's byte stream: framing by the
// length field, then every request handler against an in-memory database.
// The first input byte chooses whether the connection starts signed in.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Gbk.h"
#include "server/ChatProtocol.h"
#include "server/ClientLink.h"
#include "server/MemoryCounterStore.h"
#include "server/MessageQueue.h"
#include "server/RequestDispatcher.h"
#include "server/ServerContext.h"
#include "server/ServerLog.h"
#include "server/SessionRegistry.h"
#include "server/Store.h"

namespace {

using namespace kiv::server;

// A connection that only remembers how much was sent to it.
class MemoryLink final : public ClientLink {
 public:
  void send(std::vector<std::uint8_t> packet) override {
    // Every answer is a whole packet with its length in its header.
    if (packet.size() < 24 || packet.size() > 9012) __builtin_trap();
    sent += packet.size();
  }
  void closeAfterSending() override { closing = true; }
  bool isClosing() const override { return closing; }
  std::string describe() const override { return "fuzz"; }
  std::size_t sent = 0;
  bool closing = false;
};

struct World {
  World() {
    alice = store->accounts().addAccount("13800000001", "pw", kiv::gbk::fromUtf8("阿丽"));
    bob = store->accounts().addAccount("13800000002", "pw", "bob");
    group = store->groups().createGroup(alice, "g", "261208120000");
    store->members().addMember(group, bob);
    MessageQueue(*store).send(bob, kiv::ConversationKind::kPrivate, alice, "hello", "261208120000");
  }
  static std::unique_ptr<Store> openStore() {
    std::string error;
    return Store::open(":memory:", &error);
  }
  std::unique_ptr<Store> store = openStore();
  ServerLog log{false};
  SessionRegistry sessions;
  kiv::FakeClock clock{2026, 12, 8, 12, 0, 0};
  MemoryCounterStore counters;
  SignInThrottle throttle{counters, SignInLimits{}};
  SendQuota quota{counters, Quotas{}};
  ServerContext context{*store, sessions, log, clock, throttle, quota, Quotas{}, false};
  RequestDispatcher dispatcher{context};
  std::uint32_t alice = 0, bob = 0, group = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto world = std::make_unique<World>();
  static int runs = 0;
  // Start afresh now and then so that the database stays small.
  if (++runs % 2000 == 0) world = std::make_unique<World>();
  if (size == 0) return 0;

  auto link = std::make_shared<MemoryLink>();
  if (data[0] & 1) {
    link->setUserId(world->alice);
    link->setPhone("13800000001");
    world->sessions.signIn(world->alice, link);
  }
  ChatProtocol protocol(world->dispatcher, world->log);
  // Feed in two pieces to exercise packets split across reads; a held
  // sign-in is handed in again at once.
  const std::size_t half = (size - 1) / 2;
  auto outcome = protocol.consume(link, data + 1, half);
  for (int held = 0; outcome.step == ChatProtocol::Step::kHold && held < 4; ++held) outcome = protocol.resume(link);
  if (outcome.step == ChatProtocol::Step::kMore) outcome = protocol.consume(link, data + 1 + half, size - 1 - half);
  for (int held = 0; outcome.step == ChatProtocol::Step::kHold && held < 4; ++held) outcome = protocol.resume(link);
  world->dispatcher.connectionClosed(*link);
  return 0;
}
