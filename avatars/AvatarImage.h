#pragma once

#include <QImage>

namespace kiv {

// The picture stretched to side x side: every target pixel takes the nearest
// source pixel (no smoothing), the aspect ratio is not kept. Null in, null
// out.
QImage scaleAvatar(const QImage& picture, int side);

// The grey form shown while offline: every pixel becomes
// (7 * green + 3 * red) / 10 in all three channels (blue does not count);
// alpha stays.
void MakeGrayAvatar(QImage& picture);

}  // namespace kiv
