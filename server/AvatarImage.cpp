#include "server/AvatarImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include "server/ServerLimits.h"

namespace kiv::server {

namespace {

std::optional<std::string> encode(const QImage& image) {
  for (int quality = 90; quality >= 30; quality -= 15) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", quality)) return std::nullopt;
    if (static_cast<std::size_t>(out.size()) <= kMaxAvatarBytes) {
      return std::string(out.constData(), static_cast<std::size_t>(out.size()));
    }
  }
  return std::nullopt;
}

}  // namespace

bool AvatarImage::isJpeg(std::string_view bytes) {
  return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
         static_cast<unsigned char>(bytes[1]) == 0xD8 && static_cast<unsigned char>(bytes[2]) == 0xFF;
}

const char* AvatarImage::formatOf(std::string_view bytes) {
  const auto starts = [&](std::string_view magic) { return bytes.substr(0, magic.size()) == magic; };
  if (isJpeg(bytes)) return "jpeg";
  if (starts(std::string_view("\x89PNG\r\n\x1a\n", 8))) return "png";
  if (starts("GIF87a") || starts("GIF89a")) return "gif";
  if (starts("BM") && bytes.size() >= 26) return "bmp";
  return nullptr;
}

std::optional<std::string> AvatarImage::normalise(std::string_view bytes) {
  // Only the four formats we promise, told by their bytes and decoded by
  // their own decoder: every other decoder Qt has is never reached.
  const char* format = formatOf(bytes);
  if (!format) return std::nullopt;
  QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setAutoDetectImageFormat(false);
  // A small file may announce a huge picture; refuse to decode such a bomb.
  reader.setAllocationLimit(64);
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > 8192 || size.height() > 8192)) return std::nullopt;
  QImage image = reader.read();
  if (image.isNull()) return std::nullopt;
  if (image.width() > kMaxSide || image.height() > kMaxSide) {
    image = image.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  // JPEG has no transparency: put transparent pictures on white.
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter painter(&flat);
  painter.drawImage(0, 0, image);
  painter.end();
  return encode(flat);
}

std::string AvatarImage::demo(std::uint32_t seed) {
  const int hue = static_cast<int>((seed * 47u) % 360u);
  QImage image(70, 70, QImage::Format_RGB32);
  image.fill(QColor::fromHsv(hue, 40, 250));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor::fromHsv(hue, 160, 220));
  painter.drawEllipse(QRectF(8, 8, 54, 54));
  // A simple head-and-shoulders figure in white.
  painter.setBrush(QColor(255, 255, 255, 230));
  painter.drawEllipse(QRectF(25, 17, 20, 20));
  painter.drawChord(QRectF(17, 40, 36, 30), 0, 180 * 16);
  painter.end();
  return encode(image).value_or(std::string());
}

}  // namespace kiv::server
