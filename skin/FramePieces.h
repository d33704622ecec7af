#pragma once

#include <QPixmap>

class QPainter;

namespace kiv {

// The nine bitmaps of a skinned window frame by resource number, and their
// drawing: corners once, edges and the background tiled.
struct FramePieces {
  enum Piece { TopLeft, Top, TopRight, Left, Background, Right, BottomLeft, Bottom, BottomRight, Count };

  QPixmap piece[Count];

  // Loads the nine numbers in Piece order.
  void load(const int (&numbers)[Count]);

  // Draws the frame into a w x h picture. The background is tiled over the
  // whole area first when `withBackground` is set.
  void draw(QPainter& painter, int w, int h, bool withBackground) const;

  // Whole copies of `tile` from (left, top) at steps of its own size while a
  // copy still starts left of `right` and above `bottom`; the last ones may
  // stick out and are covered by what is drawn after them.
  static void tile(QPainter& painter, const QPixmap& tile, int left, int top, int right, int bottom);
};

}  // namespace kiv
