#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kiv {

// One picture of a GIF: where it lies on the logical screen, how long it
// stays and what happens to its area afterwards, and where its blocks are in
// the file so that it can be cut out as a GIF of its own.
struct GifFrameLayout {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int delay = 0;     // hundredths of a second, 0 without a graphic control extension
  int disposal = 0;  // 0-7; 2 = clear to background, 3 = restore what was below
  // [controlBegin, descriptorBegin) is the frame's graphic control extension
  // and whatever blocks follow it up to the image (empty when it has none);
  // [descriptorBegin, end) is the image descriptor, any local colour table and
  // the compressed image data up to and including its terminator.
  size_t controlBegin = 0;
  size_t descriptorBegin = 0;
  size_t end = 0;
};

struct GifLayout {
  int width = 0;  // logical screen
  int height = 0;
  size_t globalTableBytes = 0;  // 0 when there is no global colour table
  int backgroundIndex = 0;
  size_t headerBytes = 0;  // header, logical screen descriptor and global table
  std::vector<GifFrameLayout> frames;
};

// Walks the blocks of a GIF (87a or 89a) without decoding any pixels. Every
// read is bounds-checked against the given size, so truncated or hostile data
// is rejected rather than overrun. Needs no Qt: the fuzzer and kiv-cli use it
// as it is.
class GifParser {
 public:
  // The data begins with "GIF"; the version after it is not examined.
  static bool hasSignature(const uint8_t* data, size_t size);

  // Returns 1 and fills `layout` when the data is a complete GIF with at least
  // one image and a trailer; returns 0 (and leaves `layout` empty) otherwise.
  static int parse(const uint8_t* data, size_t size, GifLayout& layout);

  // A stand-alone GIF holding frame `index` alone: the header and global
  // colour table, the frame's graphic control extension, its image and the
  // trailer. The logical screen is shrunk to the frame and the frame moved to
  // the origin, so that a decoder yields exactly the frame's own pixels.
  // Empty when `layout` does not describe `data` or the index is out of range.
  static std::vector<uint8_t> frameFile(const uint8_t* data, size_t size, const GifLayout& layout, size_t index);

  // The text kiv-cli prints for a file: "gif <w>x<h> frames <n>" and one line
  // "frame <i> <left> <top> <width> <height> <delay> <disposal>" per frame, or
  // "not-gif" / "invalid", each line ending in '\n'. Returns 1 for a GIF.
  static int describe(const uint8_t* data, size_t size, std::string& text);
};

}  // namespace kiv
