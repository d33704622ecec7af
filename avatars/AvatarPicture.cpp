#include "avatars/AvatarPicture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace kiv::avatar {
namespace {

QImage decodeFrom(QIODevice& device) {
  const QByteArray format = pictureFormat(device.peek(8));
  if (format.isEmpty()) return {};
  QImageReader reader(&device, format);
  reader.setAutoDetectImageFormat(false);
  reader.setDecideFormatFromContent(false);
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) return {};
  return reader.read();
}

}  // namespace

QByteArray pictureFormat(const QByteArray& head) {
  if (head.startsWith("\xFF\xD8\xFF")) return "jpeg";
  if (head.startsWith("\x89PNG\r\n\x1A\n")) return "png";
  if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) return "gif";
  return {};
}

QImage decodePicture(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  return decodeFrom(buffer);
}

QImage readPictureFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return decodeFrom(file);
}

}  // namespace kiv::avatar
