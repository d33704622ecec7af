// Generates the seed corpora of the message fuzz targets from valid packets
// and checks that the committed seeds are still what the builders produce.
// To regenerate after a layout change:
//   KIV_WRITE_FUZZ_SEEDS=1 KIV_TEST_SOURCE_DIR=<repo> test_net --gtest_filter='MessagesFuzzSeeds.*'
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "net/MessageSamples.h"
#include "net/Messages.h"

namespace kiv {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Seeds = std::map<std::string, Bytes>;

const HeaderKey kKey{{3, 0x368B4A00}, 1207031705, 42};

std::string seedName(const char* prefix, std::uint32_t command, const char* suffix = "") {
  char name[64];
  std::snprintf(name, sizeof name, "%s_%02u%s", prefix, static_cast<unsigned>(command & 0xFF), suffix);
  return name;
}

// Requests and answers of every exchange, plus lists filled to the packet's
// limit and the longest chat message.
void generate(Seeds& requests, Seeds& responses) {
  test::forEachExchange([&](const auto& request, const auto& response) {
    requests[seedName("request", request.kCommand)] = request.build(kKey);
    responses[seedName("response", response.kCommand)] = response.build(kKey);
  });
  requests[seedName("request", SendMessageRequest::kCommand, "_longest")] =
      SendMessageRequest{ConversationKind::kPrivate, 1000, std::string(3000, 'm')}.build(kKey);

  FriendListResponse friends;
  friends.friends.assign(427, FriendRecord{1000, "friend", 3});
  responses[seedName("response", friends.kCommand, "_full")] = friends.build(kKey);
  GroupMembersResponse members;
  members.members.assign(390, MemberRecord{1000, "member", 2, 0, 0});
  responses[seedName("response", members.kCommand, "_full")] = members.build(kKey);
  FetchMessagesResponse messages;
  messages.messages.assign(57, MessageRecord{std::string(139, 't'), "261207031705", {}});
  responses[seedName("response", messages.kCommand, "_full")] = messages.build(kKey);
  NoticePollResponse notices{0, std::vector<MessageNotice>(255, MessageNotice{ConversationKind::kGroup, 555, "club", {}})};
  responses[seedName("response", notices.kCommand, "_full")] = notices.build(kKey);
}

Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void syncCorpus(const std::filesystem::path& dir, const Seeds& seeds, bool write) {
  if (write) std::filesystem::create_directories(dir);
  for (const auto& [name, bytes] : seeds) {
    const auto path = dir / name;
    if (write) {
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    } else {
      EXPECT_EQ(readFile(path), bytes) << path << " is stale; regenerate the seeds";
    }
  }
}

TEST(MessagesFuzzSeeds, CommittedSeedsMatchTheBuilders) {
  Seeds requests, responses;
  generate(requests, responses);
  EXPECT_EQ(requests.size(), 25u);
  EXPECT_EQ(responses.size(), 28u);
  for (const auto& [name, bytes] : responses) EXPECT_LE(bytes.size(), kMaxPacketSize) << name;

  const char* source = std::getenv("KIV_TEST_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "KIV_TEST_SOURCE_DIR is not set";
  const bool write = std::getenv("KIV_WRITE_FUZZ_SEEDS") != nullptr;
  const std::filesystem::path corpus = std::filesystem::path(source) / "fuzz" / "corpus";
  syncCorpus(corpus / "messages_requests", requests, write);
  syncCorpus(corpus / "messages_responses", responses, write);
}

}  // namespace
}  // namespace kiv
