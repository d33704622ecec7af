#include "skin/FramePieces.h"

#include <QPainter>

#include "skin/ResourceLoader.h"

namespace kiv {

void FramePieces::load(const int (&numbers)[Count]) {
  for (int i = 0; i < Count; ++i) piece[i] = ResourceLoader::bitmap(numbers[i]);
}

void FramePieces::tile(QPainter& painter, const QPixmap& tile, int left, int top, int right, int bottom) {
  const int w = tile.width();
  const int h = tile.height();
  if (w <= 0 || h <= 0) return;  // a missing piece leaves its area as it was
  for (int y = top; y < bottom; y += h)
    for (int x = left; x < right; x += w) painter.drawPixmap(x, y, tile);
}

void FramePieces::draw(QPainter& p, int w, int h, bool withBackground) const {
  const QPixmap& tl = piece[TopLeft];
  const QPixmap& tr = piece[TopRight];
  const QPixmap& bl = piece[BottomLeft];
  const QPixmap& br = piece[BottomRight];
  const QPixmap& top = piece[Top];
  const QPixmap& bottom = piece[Bottom];
  const QPixmap& left = piece[Left];
  const QPixmap& right = piece[Right];

  if (withBackground) tile(p, piece[Background], 0, 0, w, h);
  p.drawPixmap(0, 0, tl);
  tile(p, top, tl.width(), 0, w - tr.width(), top.height());
  p.drawPixmap(w - tr.width(), 0, tr);
  tile(p, left, 0, tl.height(), left.width(), h - bl.height());
  tile(p, right, w - right.width(), tr.height(), w, h - br.height());
  p.drawPixmap(0, h - bl.height(), bl);
  tile(p, bottom, bl.width(), h - bottom.height(), w - br.width(), h);
  p.drawPixmap(w - br.width(), h - br.height(), br);
}

}  // namespace kiv
