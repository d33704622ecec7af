// Frame pieces, title buttons, text buttons, tabs and strips.
#include <QLinearGradient>
#include <QPainterPath>
#include <cmath>
#include <functional>

#include "Art.h"

namespace art {

namespace {

constexpr int kCaption = 26;  // rows 0..25: outline, gradient, rule
constexpr int kHeader = 110;  // main window: caption plus header band

QColor mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                          a.blueF() + (b.blueF() - a.blueF()) * t, a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

// One row of the top pieces, the same in corners and edge so they join.
QColor topRow(int y, bool withHeader) {
  if (y == 0) return tone::outline;
  if (y == 1) return mix(tone::captionTop, Qt::white, 0.35);  // crisp highlight under the edge
  if (y < kCaption - 1) return mix(tone::captionTop, tone::captionBottom, double(y - 2) / (kCaption - 4));
  if (y == kCaption - 1) return tone::captionRule;
  if (!withHeader) return tone::paper;
  if (y == kHeader - 1) return tone::rule;
  return mix(tone::headerTop, tone::headerBottom, double(y - kCaption) / (kHeader - kCaption - 2));
}

void paintTopRows(QImage& image, bool withHeader) {
  for (int y = 0; y < logicalSize(image).height(); ++y) fillRow(image, y, topRow(y, withHeader));
}

QPainterPath rounded(const QRectF& r, qreal radius) {
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path;
}

}  // namespace

QImage frameCorner(int w, int h, bool withHeader, bool left) {
  QImage image = canvas(w, h);
  paintTopRows(image, withHeader);
  fillColumn(image, left ? 0 : w - 1, tone::outline);
  if (left) {
    QPainter p(&image);
    smooth(p);
    drawKapok(p, QRectF(5, 4, 18, 18), false);
    p.setFont(uiFont(14, true));
    const QRectF textBox(27, 1, w - 27, kCaption - 2);
    p.setPen(QColor(0x1f, 0x55, 0x96, 150));
    p.drawText(textBox.translated(0, 1), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("木棉"));
    p.setPen(Qt::white);
    p.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("木棉"));
  }
  return image;
}

QImage frameTop(int w, int h, bool withHeader) {
  QImage image = canvas(w, h);
  paintTopRows(image, withHeader);
  return image;
}

QImage frameSide(int w, bool left) {
  QImage image = canvas(w, 8, tone::band);
  fillColumn(image, left ? 0 : w - 1, tone::outline);
  // The band darkens by a step towards the content so its inner edge is crisp.
  fillColumn(image, left ? w - 1 : 0, tone::bandDark);
  return image;
}

QImage frameBottom(int w, int h, bool bar) {
  QImage image = canvas(w, h, tone::band);
  for (int y = 0; y < h; ++y) {
    QColor c = tone::band;
    if (y == h - 1)
      c = tone::outline;
    else if (bar && y == 0)
      c = tone::rule;
    else if (bar && y < h - 3)
      c = mix(tone::headerBottom, tone::headerTop, double(y - 1) / (h - 5));
    else if (!bar && y == 0)
      c = tone::bandDark;
    fillRow(image, y, c);
  }
  return image;
}

QImage frameBottomCorner(int h) {
  QImage image = canvas(1, h);
  fillColumn(image, 0, tone::outline);
  return image;
}

QImage paperTile(const QColor& colour) {
  return canvas(8, 8, colour);
}

QImage titleButton(bool close, State state) {
  QImage image = canvas(20, 20);
  QPainter p(&image);
  smooth(p);
  const QRectF box(0.5, 0.5, 19, 19);
  if (state != State::Normal) {
    QColor fill, border;
    if (close) {
      fill = state == State::Hover ? QColor(0xe8, 0x55, 0x4c) : QColor(0xc2, 0x3a, 0x31);
      border = QColor(0xa8, 0x2e, 0x27);
    } else {
      fill = state == State::Hover ? QColor(255, 255, 255, 90) : QColor(0x1f, 0x55, 0x96, 110);
      border = QColor(255, 255, 255, 150);
    }
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawPath(rounded(box, 3));
  }
  const QPointF shift = state == State::Pressed ? QPointF(0.5, 0.5) : QPointF(0, 0);
  auto glyph = [&](const QColor& colour, QPointF offset) {
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    if (close) {
      p.drawLine(QPointF(6, 6) + offset, QPointF(14, 14) + offset);
      p.drawLine(QPointF(14, 6) + offset, QPointF(6, 14) + offset);
    } else {
      p.drawLine(QPointF(6, 13) + offset, QPointF(14, 13) + offset);
    }
  };
  glyph(QColor(0x1f, 0x55, 0x96, 120), shift + QPointF(0, 1));
  glyph(Qt::white, shift);
  return image;
}

QImage textButton(const QString& text, State state, int w, int h) {
  QImage image = canvas(w, h);
  QPainter p(&image);
  smooth(p);
  const QRectF box(0.5, 0.5, w - 1, h - 1);
  QLinearGradient fill(0, 0, 0, h);
  QColor border = tone::buttonBorder;
  switch (state) {
    case State::Normal:
      fill.setColorAt(0, Qt::white);
      fill.setColorAt(1, QColor(0xd9, 0xe9, 0xf9));
      break;
    case State::Hover:
      fill.setColorAt(0, QColor(0xfa, 0xfd, 0xff));
      fill.setColorAt(1, QColor(0xc4, 0xdf, 0xfb));
      border = tone::hoverBorder;
      break;
    case State::Pressed:
      fill.setColorAt(0, QColor(0xbd, 0xd8, 0xf4));
      fill.setColorAt(1, QColor(0xe3, 0xef, 0xfc));
      border = tone::hoverBorder;
      break;
  }
  p.setPen(QPen(border, 1));
  p.setBrush(fill);
  p.drawPath(rounded(box, 3));
  if (state != State::Pressed) {
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.drawLine(QPointF(3, 1.5), QPointF(w - 3, 1.5));
  }
  p.setFont(uiFont(12));
  p.setPen(tone::ink);
  const QRectF textBox = state == State::Pressed ? QRectF(1, 1, w, h) : QRectF(0, 0, w, h);
  p.drawText(textBox, Qt::AlignCenter, text);
  return image;
}

namespace {

// A 24-pixel tool button of the chat window: bare while normal, framed on
// hover and pressed; `face` draws its sign, shifted by a pixel when pressed.
QImage toolButton(State state, const std::function<void(QPainter&, QPointF shift)>& face) {
  QImage image = canvas(24, 24);
  QPainter p(&image);
  smooth(p);
  if (state != State::Normal) {
    QLinearGradient fill(0, 0, 0, 24);
    fill.setColorAt(0, state == State::Hover ? QColor(0xfa, 0xfd, 0xff) : QColor(0xbd, 0xd8, 0xf4));
    fill.setColorAt(1, state == State::Hover ? QColor(0xc4, 0xdf, 0xfb) : QColor(0xe3, 0xef, 0xfc));
    p.setPen(QPen(tone::hoverBorder, 1));
    p.setBrush(fill);
    p.drawPath(rounded(QRectF(0.5, 0.5, 23, 23), 3));
  }
  face(p, state == State::Pressed ? QPointF(1, 1) : QPointF(0, 0));
  return image;
}

}  // namespace

QImage fontButton(State state) {
  return toolButton(state, [](QPainter& p, QPointF shift) {
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    p.setPen(tone::ink);
    p.drawText(QRectF(0, 0, 24, 19).translated(shift), Qt::AlignCenter, QStringLiteral("A"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x3c, 0x31));
    p.drawRect(QRectF(6, 18, 12, 2.5).translated(shift));
  });
}

QImage colourButton(State state) {
  // Four swatches of a palette, each with a thin dark edge.
  return toolButton(state, [](QPainter& p, QPointF shift) {
    const QColor swatches[4] = {QColor(0xe0, 0x3c, 0x31), QColor(0xf2, 0xb1, 0x1d), QColor(0x2f, 0x9e, 0x44),
                                QColor(0x2f, 0x6b, 0xd6)};
    p.setPen(QPen(tone::ink, 0.8));
    for (int i = 0; i < 4; ++i) {
      p.setBrush(swatches[i]);
      p.drawRoundedRect(QRectF(5.5 + (i % 2) * 7, 5.5 + (i / 2) * 7, 6, 6).translated(shift), 1.2, 1.2);
    }
  });
}

QImage optionTab(const QString& text, bool active, bool pressed) {
  const int w = 148;
  const int h = 28;
  QImage image = canvas(w, h, tone::pane);
  QPainter p(&image);
  smooth(p);
  if (active || pressed) {
    p.setPen(QPen(tone::rule, 1));
    p.setBrush(pressed ? QColor(0xd2, 0xe5, 0xf8) : QColor(Qt::white));
    p.drawPath(rounded(QRectF(0.5, 0.5, w - 1, h - 1), 3));
    p.setPen(Qt::NoPen);
    p.setBrush(tone::band);
    p.drawRoundedRect(QRectF(1, 4, 3, h - 8), 1.5, 1.5);
  }
  p.setFont(uiFont(13, active));
  p.setPen(active ? tone::ink : QColor(0x46, 0x6a, 0x93));
  p.drawText(QRectF(pressed ? 1 : 0, pressed ? 1 : 0, w, h), Qt::AlignCenter, text);
  return image;
}

QImage optionHeader(bool password) {
  const int w = 148;
  const int h = 60;
  QImage image = canvas(w, h, tone::pane);
  QPainter p(&image);
  smooth(p);
  const QPointF c(28, 30);
  if (password) {
    // A padlock: shackle over a rounded body with a keyhole.
    p.setPen(QPen(QColor(0x5b, 0x6f, 0x86), 4, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 9, c.y() - 19, 18, 20), 0, 180 * 16);
    p.drawLine(QPointF(c.x() - 9, c.y() - 9), QPointF(c.x() - 9, c.y() - 4));
    p.drawLine(QPointF(c.x() + 9, c.y() - 9), QPointF(c.x() + 9, c.y() - 4));
    QLinearGradient body(0, c.y() - 5, 0, c.y() + 16);
    body.setColorAt(0, QColor(0xf7, 0xc9, 0x4a));
    body.setColorAt(1, QColor(0xe0, 0x9b, 0x1a));
    p.setPen(QPen(QColor(0xa8, 0x70, 0x0c), 1));
    p.setBrush(body);
    p.drawPath(rounded(QRectF(c.x() - 14, c.y() - 5, 28, 21), 4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6b, 0x47, 0x08));
    p.drawEllipse(QPointF(c.x(), c.y() + 3), 3, 3);
    p.drawRect(QRectF(c.x() - 1.2, c.y() + 3, 2.4, 7));
  } else {
    // A gear: a toothed ring around a hub.
    QLinearGradient metal(0, c.y() - 17, 0, c.y() + 17);
    metal.setColorAt(0, QColor(0x8f, 0xc2, 0xf2));
    metal.setColorAt(1, QColor(0x3f, 0x82, 0xcf));
    p.setPen(QPen(QColor(0x2a, 0x62, 0xa6), 1));
    p.setBrush(metal);
    p.drawPath(gearPath(c, 8, 17.0, 12.5, 5.5));
  }
  p.setFont(uiFont(15, true));
  p.setPen(tone::ink);
  p.drawText(QRectF(52, 0, w - 52, h), Qt::AlignLeft | Qt::AlignVCenter,
             password ? QStringLiteral("密码安全") : QStringLiteral("基本设置"));
  return image;
}

QImage leftPane() {
  const int w = 156;
  // One row high: it is tiled down to two pixels above the bottom, and a
  // taller strip would run over the frame's bottom edge.
  QImage image = canvas(w, 1, tone::pane);
  // It is laid from x = 1, over the frame's band: its first columns continue it.
  fillColumn(image, 0, tone::band);
  fillColumn(image, 1, tone::bandDark);
  fillColumn(image, w - 1, tone::rule);
  return image;
}

QImage chatStrip(int number) {
  switch (number) {
    case 243: {  // header band under the caption: title and profile lines
      QImage image = canvas(8, 56);
      for (int y = 0; y < 56; ++y) {
        const QColor c = y == 55 ? tone::rule : mix(tone::headerTop, tone::headerBottom, y / 54.0);
        fillRow(image, y, c);
      }
      return image;
    }
    case 244: {  // tool bar between the conversation and the input box
      QImage image = canvas(8, 26);
      for (int y = 0; y < 26; ++y) {
        const QColor c = (y == 0 || y == 25) ? tone::rule : mix(QColor(0xf8, 0xfb, 0xff), tone::headerBottom, y / 25.0);
        fillRow(image, y, c);
      }
      return image;
    }
    case 242: {  // upright rule beside the picture column
      QImage image = canvas(2, 8, Qt::white);
      fillColumn(image, 0, tone::rule);
      return image;
    }
    default: {  // 214: button bar along the bottom
      QImage image = canvas(8, 36);
      for (int y = 0; y < 36; ++y) {
        const QColor c = y == 0 ? tone::rule : mix(tone::headerTop, tone::headerBottom, (y - 1) / 34.0);
        fillRow(image, y, c);
      }
      return image;
    }
  }
}

QImage tabButton(const QString& text, Tab look, int w, int h, int top) {
  QImage image = canvas(w, h);
  QPainter p(&image);
  smooth(p);
  p.translate(0, top);
  h -= top;
  // Rounded at the top only: the tab stands on the line below it.
  QPainterPath shape;
  const qreal r = 4;
  shape.moveTo(0.5, h);
  shape.lineTo(0.5, r + 0.5);
  shape.quadTo(0.5, 0.5, r + 0.5, 0.5);
  shape.lineTo(w - r - 0.5, 0.5);
  shape.quadTo(w - 0.5, 0.5, w - 0.5, r + 0.5);
  shape.lineTo(w - 0.5, h);
  QLinearGradient fill(0, 0, 0, h);
  switch (look) {
    case Tab::On:
      fill.setColorAt(0, Qt::white);
      fill.setColorAt(1, QColor(0xf7, 0xfb, 0xff));
      p.setPen(QPen(tone::buttonBorder, 1));
      break;
    case Tab::Hover:
      fill.setColorAt(0, QColor(0xf6, 0xfb, 0xff));
      fill.setColorAt(1, QColor(0xdc, 0xec, 0xfc));
      p.setPen(QPen(tone::hoverBorder, 1));
      break;
    case Tab::Off:
      fill.setColorAt(0, QColor(0xdd, 0xec, 0xfb));
      fill.setColorAt(1, QColor(0xc9, 0xdf, 0xf7));
      p.setPen(QPen(tone::rule, 1));
      break;
  }
  p.setBrush(fill);
  p.drawPath(shape);
  if (look == Tab::On) {
    p.setPen(Qt::NoPen);
    p.setBrush(tone::band);
    p.drawRect(QRectF(r, 1, w - 2 * r, 2));
  }
  p.setFont(uiFont(12, look == Tab::On));
  p.setPen(look == Tab::Off ? QColor(0x46, 0x6a, 0x93) : tone::ink);
  p.drawText(QRectF(0, 1, w, h), Qt::AlignCenter, text);
  return image;
}

QImage linkButton(const QString& text, State state, int w, int h) {
  QImage image = canvas(w, h);
  QPainter p(&image);
  smooth(p);
  if (state != State::Normal) {
    p.setPen(QPen(state == State::Hover ? tone::rule : tone::buttonBorder, 1));
    p.setBrush(state == State::Hover ? QColor(0xee, 0xf6, 0xff) : QColor(0xd0, 0xe4, 0xf8));
    p.drawPath(rounded(QRectF(0.5, 0.5, w - 1, h - 1), 3));
  }
  p.setFont(uiFont(12));
  p.setPen(QColor(0x1d, 0x5f, 0xa8));
  const QRectF box = state == State::Pressed ? QRectF(1, 1, w, h) : QRectF(0, 0, w, h);
  p.drawText(box, Qt::AlignCenter, text);
  return image;
}

QImage barButton(Glyph glyph, State state, int w, int h) {
  QImage image = canvas(w, h);
  QPainter p(&image);
  smooth(p);
  if (state != State::Normal) {
    p.setPen(QPen(state == State::Hover ? tone::buttonBorder : tone::hoverBorder, 1));
    p.setBrush(state == State::Hover ? QColor(255, 255, 255, 170) : QColor(0xc6, 0xdd, 0xf6));
    p.drawPath(rounded(QRectF(0.5, 0.5, w - 1, h - 1), 3));
  }
  p.translate(state == State::Pressed ? QPointF(0.5, 0.5) : QPointF(0, 0));
  const QColor ink(0x2a, 0x5d, 0x99);
  const QPointF c(glyph == Glyph::Menu ? 9.5 : w / 2.0, h / 2.0);
  switch (glyph) {
    case Glyph::Menu:
      drawKapok(p, QRectF(c.x() - 6.5, c.y() - 6.5, 13, 13), false);
      p.setFont(uiFont(12));
      p.setPen(tone::ink);
      p.drawText(QRectF(18, 0, w - 18, h), Qt::AlignCenter, QStringLiteral("菜单"));
      break;
    case Glyph::Settings: {  // a small gear
      p.setPen(QPen(ink, 1));
      p.setBrush(QColor(0x8f, 0xc2, 0xf2));
      p.drawPath(gearPath(c, 6, 6.8, 5.0, 2.0));
      break;
    }
    case Glyph::History: {  // a clock face
      p.setPen(QPen(ink, 1.2));
      p.setBrush(Qt::white);
      p.drawEllipse(c, 6.3, 6.3);
      p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(c, c + QPointF(0, -4));
      p.drawLine(c, c + QPointF(3, 1.5));
      break;
    }
    case Glyph::Search: {  // a magnifying glass
      p.setPen(QPen(ink, 1.6));
      p.setBrush(QColor(0xdd, 0xee, 0xff));
      p.drawEllipse(c + QPointF(-1.5, -1.5), 4.5, 4.5);
      p.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(c + QPointF(1.8, 1.8), c + QPointF(5.5, 5.5));
      break;
    }
  }
  return image;
}

}  // namespace art
