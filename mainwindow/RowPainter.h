#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <cstdint>

class QPainter;

namespace kiv {

// Draws one row of the contact lists and the group tree the same way: a
// white or (under the mouse) pink fill, the avatar one margin in from the
// left, the text after it, and at the right the terminal icon and the
// owner's mark where they apply, and before them a badge with the number of
// unread messages.
class RowPainter {
 public:
  static constexpr int kMargin = 4;
  static constexpr int kRowHeight = 25;
  static constexpr int kIconFromRight = 5;
  static const QColor kHoverColour;  // RGB(255, 224, 224)

  struct Row {
    QRect rect;
    bool hover = false;
    QImage avatar;
    QString text;
    int terminalIcon = 0;  // bitmap number, 0 for none
    bool ownerMark = false;
    int unread = 0;  // messages waiting; a badge when positive
  };

  static void paint(QPainter& painter, const Row& row, const QFont& font);

  // What the badge says: the count, or "99+" beyond 99.
  static QString badgeText(int unread);
  // The row's text for screen readers: the text, and the count when there
  // is one ("张小明(10001), 3 条未读").
  static QString accessibleText(const QString& text, int unread);

  // A numbered bitmap whose white pixels are transparent (the terminal icons
  // and the owner mark), loaded once.
  static const QPixmap& markPicture(int number);
};

}  // namespace kiv
