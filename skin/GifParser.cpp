#include "skin/GifParser.h"

#include <cstdio>

namespace kiv {

namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kPlainTextLabel = 0x01;
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr size_t kScreenDescriptorEnd = 13;
constexpr size_t kImageDescriptorBytes = 10;

// A read position that never moves past the end of the data.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t position() const { return pos_; }
  bool has(size_t n) const { return n <= size_ - pos_; }
  // Callers check has() first.
  uint8_t byteAt(size_t offset) const { return data_[pos_ + offset]; }
  int wordAt(size_t offset) const { return data_[pos_ + offset] | (data_[pos_ + offset + 1] << 8); }
  bool skip(size_t n) {
    if (!has(n)) return false;
    pos_ += n;
    return true;
  }

  // Skips data sub-blocks up to and including the zero-length terminator.
  bool skipSubBlocks() {
    for (;;) {
      if (!has(1)) return false;
      const uint8_t length = byteAt(0);
      if (!skip(1u + length)) return false;
      if (length == 0) return true;
    }
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

size_t colourTableBytes(uint8_t flags) {
  return (flags & 0x80) ? 3u << ((flags & 0x07) + 1) : 0;
}

void putWord(std::vector<uint8_t>& out, size_t at, int value) {
  out[at] = static_cast<uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

bool GifParser::hasSignature(const uint8_t* data, size_t size) {
  return data != nullptr && size >= 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
}

int GifParser::parse(const uint8_t* data, size_t size, GifLayout& layout) {
  layout = GifLayout{};
  if (!hasSignature(data, size)) return 0;
  Cursor in(data, size);
  if (!in.has(kScreenDescriptorEnd)) return 0;
  GifLayout result;
  result.width = in.wordAt(6);
  result.height = in.wordAt(8);
  result.globalTableBytes = colourTableBytes(in.byteAt(10));
  result.backgroundIndex = in.byteAt(11);
  result.headerBytes = kScreenDescriptorEnd + result.globalTableBytes;
  if (!in.skip(result.headerBytes)) return 0;

  // A graphic control extension governs the next image; a plain-text block
  // (which we do not render) uses it up as well.
  bool controlPending = false;
  GifFrameLayout next;
  for (;;) {
    if (!in.has(1)) return 0;  // no trailer: the file was cut short
    const uint8_t introducer = in.byteAt(0);
    if (introducer == kTrailer) break;
    if (introducer == kExtensionIntroducer) {
      if (!in.has(2)) return 0;
      const size_t begin = in.position();
      const uint8_t label = in.byteAt(1);
      if (label == kGraphicControlLabel) {
        // 0x21 0xF9 size flags delay(2) transparent-index 0x00
        if (!in.has(6) || in.byteAt(2) < 4) return 0;
        next.disposal = (in.byteAt(3) >> 2) & 0x07;
        next.delay = in.wordAt(4);
        next.controlBegin = begin;
        controlPending = true;
      } else if (label == kPlainTextLabel) {
        controlPending = false;
      }
      in.skip(2);
      if (!in.skipSubBlocks()) return 0;
      continue;
    }
    if (introducer != kImageSeparator) return 0;
    if (!in.has(kImageDescriptorBytes)) return 0;
    if (!controlPending) next = GifFrameLayout{};
    next.descriptorBegin = in.position();
    if (!controlPending) next.controlBegin = next.descriptorBegin;
    next.left = in.wordAt(1);
    next.top = in.wordAt(3);
    next.width = in.wordAt(5);
    next.height = in.wordAt(7);
    const size_t localTable = colourTableBytes(in.byteAt(9));
    // Descriptor, local colour table, then the LZW minimum code size.
    if (!in.skip(kImageDescriptorBytes + localTable + 1)) return 0;
    if (!in.skipSubBlocks()) return 0;
    next.end = in.position();
    result.frames.push_back(next);
    next = GifFrameLayout{};
    controlPending = false;
  }
  if (result.frames.empty()) return 0;
  layout = std::move(result);
  return 1;
}

std::vector<uint8_t> GifParser::frameFile(const uint8_t* data, size_t size, const GifLayout& layout, size_t index) {
  if (data == nullptr || index >= layout.frames.size()) return {};
  const GifFrameLayout& f = layout.frames[index];
  if (layout.headerBytes < kScreenDescriptorEnd || layout.headerBytes > size || f.controlBegin < layout.headerBytes ||
      f.controlBegin > f.descriptorBegin || f.descriptorBegin > f.end || f.end > size ||
      f.end - f.descriptorBegin < kImageDescriptorBytes)
    return {};
  std::vector<uint8_t> out;
  out.reserve(layout.headerBytes + (f.end - f.controlBegin) + 1);
  out.insert(out.end(), data, data + layout.headerBytes);
  putWord(out, 6, f.width);
  putWord(out, 8, f.height);
  out.insert(out.end(), data + f.controlBegin, data + f.end);
  const size_t descriptor = layout.headerBytes + (f.descriptorBegin - f.controlBegin);
  putWord(out, descriptor + 1, 0);
  putWord(out, descriptor + 3, 0);
  out.push_back(kTrailer);
  return out;
}

int GifParser::describe(const uint8_t* data, size_t size, std::string& text) {
  text.clear();
  if (!hasSignature(data, size)) {
    text = "not-gif\n";
    return 0;
  }
  GifLayout layout;
  if (!parse(data, size, layout)) {
    text = "invalid\n";
    return 0;
  }
  char line[128];
  std::snprintf(line, sizeof line, "gif %dx%d frames %zu\n", layout.width, layout.height, layout.frames.size());
  text += line;
  for (size_t i = 0; i < layout.frames.size(); ++i) {
    const GifFrameLayout& f = layout.frames[i];
    std::snprintf(line, sizeof line, "frame %zu %d %d %d %d %d %d\n", i, f.left, f.top, f.width, f.height, f.delay,
                  f.disposal);
    text += line;
  }
  return 1;
}

}  // namespace kiv
