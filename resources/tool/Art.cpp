#include "Art.h"

#include <cmath>

namespace art {

namespace {
int currentScale = 1;
}

void setScale(int scale) {
  currentScale = scale;
}

int scale() {
  return currentScale;
}

QImage canvas(int w, int h, const QColor& fill) {
  QImage image(w * currentScale, h * currentScale, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(currentScale);
  image.fill(fill);
  return image;
}

QSize logicalSize(const QImage& image) {
  return image.deviceIndependentSize().toSize();
}

void fillRow(QImage& image, int y, const QColor& colour) {
  QPainter p(&image);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(QRect(0, y, logicalSize(image).width(), 1), colour);
}

void fillColumn(QImage& image, int x, const QColor& colour) {
  QPainter p(&image);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(QRect(x, 0, 1, logicalSize(image).height()), colour);
}

QFont uiFont(int pixels, bool bold) {
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

void smooth(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QPainterPath gearPath(QPointF c, int teeth, double outer, double inner, double hole) {
  QPainterPath gear;
  for (int i = 0; i < teeth * 2; ++i) {
    const double a0 = (i - 0.5) * M_PI / teeth;
    const double a1 = (i + 0.5) * M_PI / teeth;
    const double r = i % 2 == 0 ? outer : inner;
    const QPointF p0 = c + QPointF(std::cos(a0) * r, std::sin(a0) * r);
    const QPointF p1 = c + QPointF(std::cos(a1) * r, std::sin(a1) * r);
    if (i == 0)
      gear.moveTo(p0);
    else
      gear.lineTo(p0);
    gear.lineTo(p1);
  }
  gear.closeSubpath();
  QPainterPath middle;
  middle.addEllipse(c, hole, hole);
  return gear.subtracted(middle);
}

}  // namespace art
