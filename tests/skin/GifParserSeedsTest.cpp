// Generates the seed corpus of the GIF parser's fuzz target and checks that
// the committed seeds are still what the generator produces. To regenerate:
//   KIV_WRITE_FUZZ_SEEDS=1 KIV_TEST_SOURCE_DIR=<repo> test_skin --gtest_filter='GifParserSeeds.*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "skin/GifParser.h"
#include "skin/GifTestWriter.h"

namespace kiv {
namespace {

using Bytes = std::vector<uint8_t>;

std::map<std::string, Bytes> seeds() {
  using namespace test;
  std::map<std::string, Bytes> out;
  out["animation"] = writeGif(sampleAnimation());

  GifPlan still;
  still.width = still.height = 3;
  still.palette = {0x000000, 0xFFFFFF};
  still.frames = {solidFrame(0, 0, 3, 3, 1)};
  out["one_frame"] = writeGif(still);

  // Local colour tables only, transparency, every disposal that matters.
  GifPlan local;
  local.width = local.height = 4;
  for (int disposal : {1, 2, 3}) {
    auto frame = solidFrame(disposal - 1, 0, 2, 2, 1, 5 * disposal, disposal);
    frame.localPalette = {0x102030, 0x405060};
    frame.transparentIndex = 0;
    frame.pixels = {0, 1, 1, 0};
    local.frames.push_back(frame);
  }
  out["local_tables"] = writeGif(local);

  // An 87a file with a plain-text block that uses up a control extension,
  // an unknown extension and an interlaced image.
  out["blocks"] =
      Bytes{'G',  'I',  'F', '8', '7', 'a', 2, 0, 2,    0,    0x80, 0, 0, 0,    0,    0,    0xFF, 0xFF, 0xFF,
            0x21, 0xF9, 4,   4,   3,   0,   0, 0, 0x21, 0x01, 3,    1, 2, 3,    0,    0x21, 0x77, 1,    9,
            0,    0x2C, 0,   0,   0,   0,   2, 0, 2,    0,    0x40, 2, 2, 0x4C, 0x01, 0,    0x3B};
  return out;
}

Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(GifParserSeeds, CommittedSeedsMatchTheGenerator) {
  const char* source = std::getenv("KIV_TEST_SOURCE_DIR");
  ASSERT_NE(nullptr, source);
  const auto dir = std::filesystem::path(source) / "fuzz" / "corpus" / "gif_parser";
  const bool write = std::getenv("KIV_WRITE_FUZZ_SEEDS") != nullptr;
  if (write) std::filesystem::create_directories(dir);
  for (const auto& [name, bytes] : seeds()) {
    GifLayout layout;
    EXPECT_EQ(1, GifParser::parse(bytes.data(), bytes.size(), layout)) << name;
    const auto path = dir / (name + ".gif");
    if (write)
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    else
      EXPECT_EQ(readFile(path), bytes) << path << " is stale; regenerate the seeds";
  }
}

}  // namespace
}  // namespace kiv
