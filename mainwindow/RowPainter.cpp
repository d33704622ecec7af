#include "mainwindow/RowPainter.h"

#include <QBitmap>
#include <QPainter>
#include <map>

#include "skin/ResourceLoader.h"

namespace kiv {

const QColor RowPainter::kHoverColour(255, 224, 224);

const QPixmap& RowPainter::markPicture(int number) {
  static std::map<int, QPixmap> pictures;
  auto found = pictures.find(number);
  if (found != pictures.end()) return found->second;
  QPixmap picture = ResourceLoader::bitmap(number);
  if (!picture.isNull()) picture.setMask(picture.createMaskFromColor(Qt::white));
  return pictures.emplace(number, picture).first->second;
}

void RowPainter::paint(QPainter& painter, const Row& row, const QFont& font) {
  const QRect& r = row.rect;
  painter.fillRect(r, row.hover ? kHoverColour : QColor(Qt::white));

  int x = r.left() + kMargin;
  if (!row.avatar.isNull()) {
    painter.drawImage(x, r.top() + (r.height() - row.avatar.height()) / 2, row.avatar);
    x += row.avatar.width() + kMargin;
  }

  int right = r.right() + 1 - kIconFromRight;
  const auto drawMark = [&](int number) {
    const QPixmap& mark = markPicture(number);
    if (mark.isNull()) return;
    const QSize size = ResourceLoader::logicalSize(mark);
    right -= size.width();
    painter.drawPixmap(right, r.top() + (r.height() - size.height()) / 2, mark);
    right -= 2;
  };
  if (row.terminalIcon != 0) drawMark(row.terminalIcon);
  if (row.ownerMark) drawMark(257);

  painter.setFont(font);
  painter.setPen(Qt::black);
  const QRect textRect(x, r.top(), std::max(0, right - x), r.height());
  // Item texts end in blanks that kept room for the icons; the icons have
  // their own room here, so the blanks must not push the name out.
  QString text = row.text;
  while (!text.isEmpty() && text.back().isSpace()) text.chop(1);
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   painter.fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
}

}  // namespace kiv
