#include "avatars/AvatarImage.h"

namespace kiv {

QImage scaleAvatar(const QImage& picture, int side) {
  if (picture.isNull() || side <= 0) return {};
  return picture.scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void MakeGrayAvatar(QImage& picture) {
  if (picture.isNull()) return;
  if (picture.format() != QImage::Format_ARGB32 && picture.format() != QImage::Format_RGB32) {
    picture = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  }
  for (int y = 0; y < picture.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < picture.width(); ++x) {
      const int gray = (7 * qGreen(line[x]) + 3 * qRed(line[x])) / 10;
      line[x] = qRgba(gray, gray, gray, qAlpha(line[x]));
    }
  }
}

}  // namespace kiv
