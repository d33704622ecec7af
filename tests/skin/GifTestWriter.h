#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Builds small GIF files for the tests. The image data uses 7-bit LZW with a
// clear code every 100 pixels, so every code is exactly one byte and the
// dictionary never grows past eight bits: no compression, but any decoder
// reads it. Pixel values must stay below 128.
namespace kiv::test {

struct GifFramePlan {
  int left = 0;
  int top = 0;
  int width = 1;
  int height = 1;
  std::vector<uint8_t> pixels;  // width * height palette indices, row by row
  bool control = true;          // write a graphic control extension
  int delay = 0;                // hundredths of a second
  int disposal = 0;
  int transparentIndex = -1;           // -1: none
  std::vector<uint32_t> localPalette;  // 0xRRGGBB; empty: use the global one
};

struct GifPlan {
  int width = 1;
  int height = 1;
  std::vector<uint32_t> palette;  // global colour table, 0xRRGGBB; empty: none
  int backgroundIndex = 0;
  bool loop = false;    // NETSCAPE2.0 application extension
  std::string comment;  // comment extension when not empty
  std::vector<GifFramePlan> frames;
};

inline GifFramePlan solidFrame(int left, int top, int width, int height, uint8_t index, int delay = 0,
                               int disposal = 0) {
  GifFramePlan f;
  f.left = left;
  f.top = top;
  f.width = width;
  f.height = height;
  f.pixels.assign(static_cast<size_t>(width * height), index);
  f.delay = delay;
  f.disposal = disposal;
  return f;
}

namespace gifwriter {

inline void word(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

// Colour table flags bits 0-2 (size exponent) for a palette, and the padded table.
inline int tableBits(const std::vector<uint32_t>& palette) {
  int bits = 0;
  while ((2u << bits) < palette.size() && bits < 7) ++bits;
  return bits;
}

inline void table(std::vector<uint8_t>& out, const std::vector<uint32_t>& palette) {
  const size_t entries = 2u << tableBits(palette);
  for (size_t i = 0; i < entries; ++i) {
    const uint32_t c = i < palette.size() ? palette[i] : 0;
    out.push_back(static_cast<uint8_t>(c >> 16));
    out.push_back(static_cast<uint8_t>(c >> 8));
    out.push_back(static_cast<uint8_t>(c));
  }
}

inline void subBlocks(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  for (size_t at = 0; at < bytes.size(); at += 255) {
    const size_t n = bytes.size() - at < 255 ? bytes.size() - at : 255;
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
               bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  out.push_back(0);
}

}  // namespace gifwriter

inline std::vector<uint8_t> writeGif(const GifPlan& plan) {
  using namespace gifwriter;
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  word(out, plan.width);
  word(out, plan.height);
  out.push_back(static_cast<uint8_t>(plan.palette.empty() ? 0 : 0x80 | 0x70 | tableBits(plan.palette)));
  out.push_back(static_cast<uint8_t>(plan.backgroundIndex));
  out.push_back(0);  // pixel aspect ratio
  if (!plan.palette.empty()) table(out, plan.palette);
  if (plan.loop) {
    const uint8_t netscape[] = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
    out.insert(out.end(), std::begin(netscape), std::end(netscape));
  }
  if (!plan.comment.empty()) {
    out.push_back(0x21);
    out.push_back(0xFE);
    subBlocks(out, std::vector<uint8_t>(plan.comment.begin(), plan.comment.end()));
  }
  for (const GifFramePlan& f : plan.frames) {
    if (f.control) {
      const bool transparent = f.transparentIndex >= 0;
      out.insert(out.end(), {0x21, 0xF9, 4, static_cast<uint8_t>(((f.disposal & 7) << 2) | (transparent ? 1 : 0))});
      word(out, f.delay);
      out.push_back(static_cast<uint8_t>(transparent ? f.transparentIndex : 0));
      out.push_back(0);
    }
    out.push_back(0x2C);
    word(out, f.left);
    word(out, f.top);
    word(out, f.width);
    word(out, f.height);
    out.push_back(static_cast<uint8_t>(f.localPalette.empty() ? 0 : 0x80 | tableBits(f.localPalette)));
    if (!f.localPalette.empty()) table(out, f.localPalette);
    constexpr uint8_t kCodeSize = 7, kClear = 0x80, kEnd = 0x81;
    out.push_back(kCodeSize);
    std::vector<uint8_t> codes;
    for (size_t i = 0; i < f.pixels.size(); ++i) {
      if (i % 100 == 0) codes.push_back(kClear);
      codes.push_back(f.pixels[i] & 0x7F);
    }
    codes.push_back(kEnd);
    subBlocks(out, codes);
  }
  out.push_back(0x3B);
  return out;
}

// Three frames exercising every kind of block: loop and comment extensions,
// a frame without a graphic control extension, a local colour table.
inline GifPlan sampleAnimation() {
  GifPlan plan;
  plan.width = 10;
  plan.height = 7;
  plan.palette = {0xFFFFFF, 0xFF0000, 0x00FF00};
  plan.backgroundIndex = 2;
  plan.loop = true;
  plan.comment = "kiv";
  plan.frames.push_back(solidFrame(0, 0, 10, 7, 1, 0, 1));
  auto second = solidFrame(2, 3, 4, 2, 2, 4, 3);
  second.localPalette = {0x000000, 0x0000FF};
  plan.frames.push_back(second);
  auto third = solidFrame(9, 6, 1, 1, 0);
  third.control = false;
  plan.frames.push_back(third);
  return plan;
}

}  // namespace kiv::test
