// The client's whole receive path on a byte stream from the network: framing
// by the length field, dispatch by command, the login and logout handling,
// notices and group lists to the observer, and pairing of answers with the
// requests waiting in the table.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "net/NetClient.h"
#include "net/NetObserver.h"
#include "net/Packet.h"
#include "net/ReceiverRegistry.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"

namespace {

volatile std::size_t sink = 0;

class QuietPresenter final : public kiv::MessagePresenter {
 public:
  kiv::MessageAnswer present(const kiv::MessageRequest& request) override {
    sink = sink + request.text.size();
    return kiv::MessageAnswer::Ok;
  }
};

// Looks at everything it is handed, so that a bad read shows up.
class TouchingObserver final : public kiv::NetObserver {
 public:
  void onLoginRefused(int result, const std::string& text) override { sink = sink + result + text.size(); }
  void onOwnProfile(const kiv::UserInfoResponse& p) override { sink = sink + p.nickname.size() + p.userId; }
  void onNotice(const kiv::MessageNotice& n) override { sink = sink + n.name.size() + n.id; }
  void onGroupList(const kiv::GroupListResponse& g) override {
    for (const auto& r : g.groups) sink = sink + r.name.size() + r.groupId;
  }
};

class TouchingReceiver final : public kiv::ResponseReceiver {
 public:
  void OnServerResponse(const kiv::PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override {
    if (size > kiv::kMaxPacketSize) __builtin_trap();
    std::size_t sum = command + static_cast<std::size_t>(request.length);
    for (std::size_t i = 0; i < kiv::kMaxPacketSize; ++i) sum += response[i];
    sink = sink + sum;
  }
};

// Requests with fixed keys, so that inputs can carry answers that pair.
std::vector<std::uint8_t> request(std::uint32_t command, std::uint32_t sequence) {
  std::vector<std::uint8_t> p(28, 0);
  kiv::writeHeader(p.data(), 28, command, kiv::HeaderKey{{3, 0x368B4A00}, 1207031705, sequence});
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QuietPresenter presenter;
  static kiv::FakeClock clock(2026, 12, 7, 3, 17, 5);
  static kiv::ReceiverRegistry registry;
  static const kiv::ReceiverHandle asker = registry.add(std::make_shared<TouchingReceiver>());
  kiv::installMessagePresenter(&presenter);

  kiv::NetClient::Options options;
  options.clock = &clock;
  options.pauseScale = 0;
  options.logDirectory = "/nonexistent-kiv-fuzz/Log";  // log lines are formatted, then lost
  options.registry = &registry;
  kiv::NetClient client(options);
  client.SetAccount("13800000000", "secret");
  client.setObserver(std::make_shared<TouchingObserver>());
  client.setLoginAsker(asker);
  for (std::uint32_t sequence = 1; sequence <= 3; ++sequence) client.Enqueue(request(3, sequence), asker);

  // Two reads, split at a point that moves with the size.
  const std::size_t cut = size * 7919 % (size + 1);
  if (client.injectReceived(data, cut)) client.injectReceived(data + cut, size - cut);
  return 0;
}
