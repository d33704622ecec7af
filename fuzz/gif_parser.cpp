// Feeds arbitrary bytes to the GIF block parser: it must never read outside
// the data, and every frame it finds must cut out as a GIF of exactly one
// frame that parses again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "skin/GifParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text;
  const int described = kiv::GifParser::describe(data, size, text);
  kiv::GifLayout layout;
  const int parsed = kiv::GifParser::parse(data, size, layout);
  if (described != parsed || text.empty()) __builtin_trap();
  if (!parsed) return 0;
  for (size_t i = 0; i < layout.frames.size(); ++i) {
    const std::vector<uint8_t> file = kiv::GifParser::frameFile(data, size, layout, i);
    kiv::GifLayout one;
    if (kiv::GifParser::parse(file.data(), file.size(), one) != 1 || one.frames.size() != 1) __builtin_trap();
    if (one.frames[0].width != layout.frames[i].width || one.frames[0].delay != layout.frames[i].delay)
      __builtin_trap();
  }
  return 0;
}
