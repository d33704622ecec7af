#include "skin/FramePieces.h"

#include <QPainter>

#include "skin/ResourceLoader.h"

namespace kiv {

void FramePieces::load(const int (&numbers)[Count]) {
  for (int i = 0; i < Count; ++i) piece[i] = ResourceLoader::bitmap(numbers[i]);
}

void FramePieces::tile(QPainter& painter, const QPixmap& tile, int left, int top, int right, int bottom) {
  const QSize size = ResourceLoader::logicalSize(tile);
  const int w = size.width();
  const int h = size.height();
  if (w <= 0 || h <= 0) return;  // a missing piece leaves its area as it was
  for (int y = top; y < bottom; y += h)
    for (int x = left; x < right; x += w) painter.drawPixmap(x, y, tile);
}

void FramePieces::draw(QPainter& p, int w, int h, bool withBackground) const {
  // Laid out by the pieces' logical sizes: on a HiDPI screen they carry
  // twice the pixels.
  QSize size[Count];
  for (int i = 0; i < Count; ++i) size[i] = ResourceLoader::logicalSize(piece[i]);
  const QSize& tl = size[TopLeft];
  const QSize& tr = size[TopRight];
  const QSize& bl = size[BottomLeft];
  const QSize& br = size[BottomRight];

  if (withBackground) tile(p, piece[Background], 0, 0, w, h);
  p.drawPixmap(0, 0, piece[TopLeft]);
  tile(p, piece[Top], tl.width(), 0, w - tr.width(), size[Top].height());
  p.drawPixmap(w - tr.width(), 0, piece[TopRight]);
  tile(p, piece[Left], 0, tl.height(), size[Left].width(), h - bl.height());
  tile(p, piece[Right], w - size[Right].width(), tr.height(), w, h - br.height());
  p.drawPixmap(0, h - bl.height(), piece[BottomLeft]);
  tile(p, piece[Bottom], bl.width(), h - size[Bottom].height(), w - br.width(), h);
  p.drawPixmap(w - br.width(), h - br.height(), piece[BottomRight]);
}

}  // namespace kiv
