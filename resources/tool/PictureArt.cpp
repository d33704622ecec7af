// Icons, avatars, figures and the sign-in animation.
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "Art.h"

namespace art {

namespace {

// A head-and-shoulders silhouette filling `box`.
void drawPerson(QPainter& p, const QRectF& box, const QColor& colour) {
  const qreal w = box.width();
  const qreal h = box.height();
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawEllipse(QPointF(box.center().x(), box.top() + h * 0.33), w * 0.2, h * 0.21);
  QPainterPath body;
  body.moveTo(box.left() + w * 0.12, box.bottom());
  body.cubicTo(box.left() + w * 0.12, box.top() + h * 0.62, box.left() + w * 0.3, box.top() + h * 0.58,
               box.center().x(), box.top() + h * 0.58);
  body.cubicTo(box.right() - w * 0.3, box.top() + h * 0.58, box.right() - w * 0.12, box.top() + h * 0.62,
               box.right() - w * 0.12, box.bottom());
  body.closeSubpath();
  p.drawPath(body);
}

// A standing cartoon figure in a w x h box, feet on the box's bottom.
void drawFigure(QPainter& p, const QRectF& box, const QColor& hair, const QColor& clothes, bool longHair, bool skirt) {
  const qreal w = box.width();
  const qreal h = box.height();
  const qreal cx = box.center().x();
  const QColor skin(0xf6, 0xd3, 0xb3);
  const QColor line(0x5a, 0x46, 0x3a);
  const QPen outline(line, std::max<qreal>(1.0, w / 60.0));
  const qreal headR = w * 0.17;
  const qreal headY = box.top() + headR + h * 0.02;
  // Legs.
  p.setPen(outline);
  p.setBrush(skirt ? skin : QColor(0x35, 0x4b, 0x66));
  const qreal legTop = box.top() + h * 0.66;
  p.drawRoundedRect(QRectF(cx - w * 0.15, legTop, w * 0.12, box.bottom() - legTop - h * 0.04), 3, 3);
  p.drawRoundedRect(QRectF(cx + w * 0.03, legTop, w * 0.12, box.bottom() - legTop - h * 0.04), 3, 3);
  // Shoes.
  p.setBrush(QColor(0x4a, 0x3a, 0x32));
  p.drawEllipse(QRectF(cx - w * 0.2, box.bottom() - h * 0.06, w * 0.19, h * 0.055));
  p.drawEllipse(QRectF(cx + w * 0.01, box.bottom() - h * 0.06, w * 0.19, h * 0.055));
  // Long hair falls behind the shoulders.
  if (longHair) {
    p.setBrush(hair);
    p.drawRoundedRect(QRectF(cx - headR * 1.15, headY - headR * 0.2, headR * 2.3, headR * 2.5), headR, headR);
  }
  // Body with arms.
  QPainterPath body;
  const qreal shoulderY = headY + headR * 1.15;
  const qreal hemY = skirt ? box.top() + h * 0.74 : box.top() + h * 0.68;
  body.moveTo(cx - w * 0.16, shoulderY);
  body.quadTo(cx - w * 0.27, shoulderY + h * 0.02, cx - w * 0.3, shoulderY + h * 0.2);
  body.lineTo(cx - w * 0.25, shoulderY + h * 0.22);
  body.lineTo(cx - w * 0.19, shoulderY + h * 0.1);
  body.lineTo(skirt ? cx - w * 0.25 : cx - w * 0.18, hemY);
  body.lineTo(skirt ? cx + w * 0.25 : cx + w * 0.18, hemY);
  body.lineTo(cx + w * 0.19, shoulderY + h * 0.1);
  body.lineTo(cx + w * 0.25, shoulderY + h * 0.22);
  body.lineTo(cx + w * 0.3, shoulderY + h * 0.2);
  body.quadTo(cx + w * 0.27, shoulderY + h * 0.02, cx + w * 0.16, shoulderY);
  body.closeSubpath();
  QLinearGradient cloth(0, shoulderY, 0, hemY);
  cloth.setColorAt(0, clothes.lighter(125));
  cloth.setColorAt(1, clothes);
  p.setBrush(cloth);
  p.drawPath(body);
  // Hands.
  p.setBrush(skin);
  p.drawEllipse(QPointF(cx - w * 0.275, shoulderY + h * 0.225), w * 0.04, w * 0.04);
  p.drawEllipse(QPointF(cx + w * 0.275, shoulderY + h * 0.225), w * 0.04, w * 0.04);
  // Head and face.
  p.drawEllipse(QPointF(cx, headY), headR, headR);
  p.setBrush(hair);
  QPainterPath fringe;
  fringe.moveTo(cx - headR * 1.05, headY + headR * 0.1);
  fringe.cubicTo(cx - headR * 1.1, headY - headR * 1.3, cx + headR * 1.1, headY - headR * 1.3, cx + headR * 1.05,
                 headY + headR * 0.1);
  fringe.quadTo(cx + headR * 0.3, headY - headR * 0.55, cx - headR * 1.05, headY + headR * 0.1);
  p.drawPath(fringe);
  p.setPen(Qt::NoPen);
  p.setBrush(line);
  p.drawEllipse(QPointF(cx - headR * 0.38, headY + headR * 0.15), headR * 0.1, headR * 0.13);
  p.drawEllipse(QPointF(cx + headR * 0.38, headY + headR * 0.15), headR * 0.1, headR * 0.13);
  p.setBrush(QColor(0xf2, 0x9a, 0x9a, 150));
  p.drawEllipse(QPointF(cx - headR * 0.6, headY + headR * 0.45), headR * 0.16, headR * 0.1);
  p.drawEllipse(QPointF(cx + headR * 0.6, headY + headR * 0.45), headR * 0.16, headR * 0.1);
  p.setPen(QPen(line, std::max<qreal>(1.0, w / 70.0), Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(cx - headR * 0.3, headY + headR * 0.3, headR * 0.6, headR * 0.35), 200 * 16, 140 * 16);
}

}  // namespace

void drawKapok(QPainter& p, const QRectF& box, bool greyed) {
  // Five thick petals of the kapok blossom around a golden heart.
  const QPointF c = box.center();
  const qreal r = std::min(box.width(), box.height()) / 2.0;
  QColor petalIn(0xf6, 0x7c, 0x3b), petalOut(0xd9, 0x2f, 0x22), edge(0x9c, 0x22, 0x17);
  QColor heart(0xfb, 0xd1, 0x4b), heartEdge(0xb7, 0x80, 0x10);
  if (greyed) {
    petalIn = QColor(0xc4, 0xc4, 0xc4);
    petalOut = QColor(0x93, 0x93, 0x93);
    edge = QColor(0x66, 0x66, 0x66);
    heart = QColor(0xe2, 0xe2, 0xe2);
    heartEdge = QColor(0x80, 0x80, 0x80);
  }
  // A bold edge keeps the small flowers readable; the large ones (the icon
  // theme's 64 pixels and up) get a finer edge, veins and stamens instead.
  const bool large = r >= 28;
  const qreal penWidth = large ? 2.5 + (r - 28) / 24.0 : std::max<qreal>(0.8, r / 9.0);
  for (int i = 0; i < 5; ++i) {
    p.save();
    p.translate(c);
    p.rotate(-90 + i * 72);
    QPainterPath petal;
    petal.moveTo(r * 0.12, 0);
    petal.cubicTo(r * 0.35, -r * 0.55, r * 0.98, -r * 0.5, r * 0.97, 0);
    petal.cubicTo(r * 0.98, r * 0.5, r * 0.35, r * 0.55, r * 0.12, 0);
    QRadialGradient fill(QPointF(0, 0), r);
    fill.setColorAt(0.2, petalIn);
    fill.setColorAt(1.0, petalOut);
    p.setPen(QPen(edge, penWidth));
    p.setBrush(fill);
    p.drawPath(petal);
    if (large) {
      QColor vein = edge;
      vein.setAlpha(110);
      p.setPen(QPen(vein, penWidth * 0.45, Qt::SolidLine, Qt::RoundCap));
      p.setBrush(Qt::NoBrush);
      p.drawLine(QPointF(r * 0.32, 0), QPointF(r * 0.8, 0));
      p.drawLine(QPointF(r * 0.4, 0), QPointF(r * 0.7, -r * 0.16));
      p.drawLine(QPointF(r * 0.4, 0), QPointF(r * 0.7, r * 0.16));
    }
    p.restore();
  }
  if (large) {
    // A ring of stamens around the heart.
    p.setPen(QPen(heartEdge, penWidth * 0.5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 10; ++i) {
      const qreal a = (i * 36 + 18) * M_PI / 180.0;
      const QPointF tip = c + QPointF(std::cos(a), std::sin(a)) * r * 0.42;
      p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * r * 0.24, tip);
      p.setBrush(heart);
      p.drawEllipse(tip, r * 0.045, r * 0.045);
    }
  }
  p.setPen(QPen(heartEdge, penWidth * 0.8));
  p.setBrush(heart);
  p.drawEllipse(c, r * 0.26, r * 0.26);
}

QImage appIcon(int size, bool greyed) {
  QImage image = canvas(size, size);
  QPainter p(&image);
  smooth(p);
  const qreal inset = size <= 16 ? 0.2 : size * 0.03;
  drawKapok(p, QRectF(inset, inset, size - 2 * inset, size - 2 * inset), greyed);
  return image;
}

QImage avatar(int size, bool group) {
  QImage image = canvas(size, size);
  QPainter p(&image);
  smooth(p);
  QLinearGradient back(0, 0, 0, size);
  back.setColorAt(0, group ? QColor(0xd8, 0xf1, 0xdf) : QColor(0xd9, 0xea, 0xfb));
  back.setColorAt(1, group ? QColor(0xa6, 0xdb, 0xb5) : QColor(0xa9, 0xcd, 0xf3));
  p.setPen(QPen(group ? QColor(0x6f, 0xb0, 0x82) : QColor(0x7d, 0xaa, 0xdc), 1));
  p.setBrush(back);
  p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 10.0, size / 10.0);
  p.setClipRect(QRectF(1, 1, size - 2, size - 2));
  const QColor person = group ? QColor(0x3f, 0x8f, 0x58) : QColor(0x4f, 0x86, 0xc6);
  if (group) {
    drawPerson(p, QRectF(size * 0.02, size * 0.26, size * 0.56, size * 0.74), person.lighter(130));
    drawPerson(p, QRectF(size * 0.42, size * 0.26, size * 0.56, size * 0.74), person.lighter(130));
    drawPerson(p, QRectF(size * 0.18, size * 0.14, size * 0.64, size * 0.86), person);
  } else {
    drawPerson(p, QRectF(size * 0.1, size * 0.14, size * 0.8, size * 0.86), person);
  }
  return image;
}

QImage figure(int kind) {
  const int w = 100;
  const int h = 120;
  QImage image = canvas(w, h);
  QPainter p(&image);
  smooth(p);
  const QColor darkHair(0x3a, 0x33, 0x30), brownHair(0x6e, 0x3c, 0x27);
  switch (kind) {
    case 0:
      drawFigure(p, QRectF(10, 4, 80, 114), darkHair, QColor(0x3b, 0x82, 0xd6), false, false);
      break;
    case 1:
      drawFigure(p, QRectF(10, 4, 80, 114), brownHair, QColor(0xe6, 0x63, 0x97), true, true);
      break;
    default:
      drawFigure(p, QRectF(-6, 22, 60, 96), brownHair, QColor(0xe6, 0x63, 0x97), true, true);
      drawFigure(p, QRectF(46, 22, 60, 96), darkHair, QColor(0x3f, 0xa3, 0x5f), false, false);
      drawFigure(p, QRectF(18, 8, 64, 110), darkHair, QColor(0x3b, 0x82, 0xd6), false, false);
      break;
  }
  return image;
}

QImage terminalIcon(int terminal) {
  // White background: the lists draw these with white as the transparent colour.
  QImage image = canvas(16, 16, Qt::white);
  QPainter p(&image);
  smooth(p);
  switch (terminal) {
    case 2: {  // mobile client: a phone with a green screen
      p.setPen(QPen(QColor(0x2c, 0x3a, 0x4a), 1));
      p.setBrush(QColor(0x45, 0x56, 0x6a));
      p.drawRoundedRect(QRectF(4.5, 0.5, 7, 15), 1.5, 1.5);
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x6c, 0xd0, 0x6f));
      p.drawRect(QRectF(5.5, 2.5, 5, 9));
      p.setBrush(QColor(0xd5, 0xdd, 0xe6));
      p.drawEllipse(QPointF(8, 13.4), 1.0, 1.0);
      break;
    }
    case 3: {  // PC client: a monitor on a stand
      p.setPen(QPen(QColor(0x2c, 0x3a, 0x4a), 1));
      p.setBrush(QColor(0x45, 0x56, 0x6a));
      p.drawRoundedRect(QRectF(0.5, 1.5, 15, 10), 1, 1);
      p.setPen(Qt::NoPen);
      QLinearGradient screen(0, 2, 0, 11);
      screen.setColorAt(0, QColor(0x7f, 0xc0, 0xff));
      screen.setColorAt(1, QColor(0x2f, 0x7f, 0xdb));
      p.setBrush(screen);
      p.drawRect(QRectF(2, 3, 12, 7));
      p.setBrush(QColor(0x45, 0x56, 0x6a));
      p.drawRect(QRectF(7, 11.5, 2, 2));
      p.drawRoundedRect(QRectF(4, 13.5, 8, 2), 1, 1);
      break;
    }
    case 1: {  // WAP: a globe
      QRadialGradient sea(QPointF(6, 6), 9);
      sea.setColorAt(0, QColor(0xc9, 0x9c, 0xf0));
      sea.setColorAt(1, QColor(0x7b, 0x45, 0xc0));
      p.setPen(QPen(QColor(0x55, 0x2a, 0x93), 1));
      p.setBrush(sea);
      p.drawEllipse(QPointF(8, 8), 7, 7);
      p.setPen(QPen(QColor(255, 255, 255, 210), 1));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(8, 8), 3, 6.5);
      p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
      p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
      break;
    }
    default: {  // SMS only: an envelope
      p.setPen(QPen(QColor(0xa8, 0x66, 0x08), 1));
      QLinearGradient paper(0, 3, 0, 14);
      paper.setColorAt(0, QColor(0xff, 0xe0, 0x8a));
      paper.setColorAt(1, QColor(0xf4, 0xb1, 0x3c));
      p.setBrush(paper);
      p.drawRect(QRectF(0.5, 3.5, 15, 10));
      p.setBrush(Qt::NoBrush);
      QPainterPath flap;
      flap.moveTo(1, 4);
      flap.lineTo(8, 9.5);
      flap.lineTo(15, 4);
      p.drawPath(flap);
      break;
    }
  }
  return image;
}

QImage ownerMark() {
  QImage image = canvas(16, 16, Qt::white);
  QPainter p(&image);
  smooth(p);
  QPainterPath crown;
  crown.moveTo(1.5, 5);
  crown.lineTo(4.8, 8.5);
  crown.lineTo(8, 2.5);
  crown.lineTo(11.2, 8.5);
  crown.lineTo(14.5, 5);
  crown.lineTo(13.2, 12.5);
  crown.lineTo(2.8, 12.5);
  crown.closeSubpath();
  QLinearGradient gold(0, 2, 0, 13);
  gold.setColorAt(0, QColor(0xff, 0xe0, 0x66));
  gold.setColorAt(1, QColor(0xf0, 0xa8, 0x14));
  p.setPen(QPen(QColor(0xa6, 0x6c, 0x05), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(gold);
  p.drawPath(crown);
  p.setBrush(QColor(0xe3, 0x3b, 0x30));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(8, 10.3), 1.3, 1.3);
  p.setPen(QPen(QColor(0xa6, 0x6c, 0x05), 1));
  p.setBrush(QColor(0xf0, 0xa8, 0x14));
  p.drawRect(QRectF(2.5, 13.5, 11, 1.5));
  return image;
}

QImage treeGlyph(bool expand) {
  // Filled rectangles rather than stroked lines: whole logical pixels stay
  // crisp at every scale.
  QImage image = canvas(10, 10, Qt::white);
  QPainter p(&image);
  p.fillRect(QRect(0, 0, 9, 9), QColor(0x7a, 0x9c, 0xc6));
  p.fillRect(QRect(1, 1, 7, 7), QColor(0xf4, 0xf9, 0xff));
  const QColor ink(0x2e, 0x5e, 0x99);
  p.fillRect(QRect(2, 4, 5, 1), ink);
  if (expand) p.fillRect(QRect(4, 2, 1, 5), ink);
  return image;
}

QImage folder() {
  QImage image = canvas(20, 20);
  QPainter p(&image);
  smooth(p);
  const QPen edge(QColor(0xb0, 0x7b, 0x12), 1);
  p.setPen(edge);
  p.setBrush(QColor(0xf2, 0xc1, 0x4e));
  QPainterPath back;
  back.moveTo(1.5, 4.5);
  back.lineTo(7.5, 4.5);
  back.lineTo(9.5, 6.5);
  back.lineTo(18.5, 6.5);
  back.lineTo(18.5, 16.5);
  back.lineTo(1.5, 16.5);
  back.closeSubpath();
  p.drawPath(back);
  QLinearGradient front(0, 8, 0, 17);
  front.setColorAt(0, QColor(0xff, 0xe3, 0x8c));
  front.setColorAt(1, QColor(0xf5, 0xbd, 0x3f));
  p.setBrush(front);
  p.drawRoundedRect(QRectF(1.5, 8.5, 17, 8), 1, 1);
  return image;
}

QList<QImage> signInFrames() {
  // Nine dots in a row; a bright head runs along them, trailing two fading
  // dots, and wraps round.
  const int dots = 9;
  const int w = 9 * 18;
  const int h = 16;
  const QColor idle(0xc9, 0xdd, 0xf3), lit(0x2f, 0x7f, 0xdb);
  QList<QImage> frames;
  for (int f = 0; f < dots; ++f) {
    QImage image = canvas(w, h, tone::paper);
    QPainter p(&image);
    smooth(p);
    p.setPen(Qt::NoPen);
    for (int d = 0; d < dots; ++d) {
      const int behind = (f - d + dots) % dots;  // 0: the head
      QColor colour = idle;
      qreal radius = 4.0;
      if (behind == 0) {
        colour = lit;
        radius = 5.5;
      } else if (behind == 1) {
        colour = QColor(0x6d, 0xa6, 0xe8);
        radius = 5.0;
      } else if (behind == 2) {
        colour = QColor(0x9e, 0xc4, 0xef);
        radius = 4.5;
      }
      p.setBrush(colour);
      p.drawEllipse(QPointF(9 + d * 18, h / 2.0), radius, radius);
    }
    frames.append(image);
  }
  return frames;
}

}  // namespace art
