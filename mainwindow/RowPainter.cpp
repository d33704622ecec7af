#include "mainwindow/RowPainter.h"

#include <QBitmap>
#include <QPainter>
#include <map>

#include "skin/ResourceLoader.h"

namespace kiv {

const QColor RowPainter::kHoverColour(255, 224, 224);

namespace {

// The badge takes the red of the skin's hover pink at full strength, so it
// belongs to the rows yet stands out on white and on pink alike.
const QColor kBadgeColour(214, 48, 49);

// Draws the badge with its right edge at `right`; returns its left edge.
int drawBadge(QPainter& painter, const QRect& r, int right, int unread, const QFont& rowFont) {
  QFont font = rowFont;
  font.setBold(true);
  const QFontMetrics metrics(font);
  const QString text = RowPainter::badgeText(unread);
  const int height = std::min(r.height() - 6, metrics.height());
  const int width = std::max(height, metrics.horizontalAdvance(text) + height / 2 + 2);
  const QRectF pill(right - width, r.top() + (r.height() - height) / 2.0, width, height);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kBadgeColour);
  painter.drawRoundedRect(pill, height / 2.0, height / 2.0);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(pill, Qt::AlignCenter, text);
  painter.restore();
  return right - width;
}

}  // namespace

QString RowPainter::badgeText(int unread) {
  return unread > 99 ? QStringLiteral("99+") : QString::number(unread);
}

QString RowPainter::accessibleText(const QString& text, int unread) {
  QString name = text;
  while (!name.isEmpty() && name.back().isSpace()) name.chop(1);
  if (unread <= 0) return name;
  return QStringLiteral("%1, %2 条未读").arg(name).arg(unread);
}

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
  if (row.unread > 0) right = drawBadge(painter, r, right, row.unread, font) - 2;

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
