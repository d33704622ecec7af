#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::server {

// The pictures the web port stores and serves: always a JPEG, at most
// kMaxSide pixels on either side and at most 256 KiB, whatever came in.
class AvatarImage {
 public:
  static constexpr int kMaxSide = 256;

  // Decodes an uploaded JPEG, GIF, PNG or BMP and encodes it as such a JPEG.
  // nullopt when the bytes are no picture.
  static std::optional<std::string> normalise(std::string_view bytes);

  // A 70 x 70 demo picture: a coloured disc on a soft background, its colours
  // chosen by `seed`.
  static std::string demo(std::uint32_t seed);

  // True when the bytes start like a JPEG file.
  static bool isJpeg(std::string_view bytes);
  // "jpeg", "png", "gif" or "bmp" by the file's first bytes; nullptr for
  // anything else.
  static const char* formatOf(std::string_view bytes);
};

}  // namespace kiv::server
