#include "skin/CDlgBasicResizable.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace kiv {

namespace {

constexpr int kFrame[FramePieces::Count] = {172, 173, 174, 176, 171, 175, 177, 178, 177};

// Half-open like the platform's rectangles: right and bottom are outside.
bool inside(QPoint p, int left, int top, int right, int bottom) {
  return p.x() >= left && p.x() < right && p.y() >= top && p.y() < bottom;
}

}  // namespace

CDlgBasicResizable::CDlgBasicResizable(QWidget* parent) : CDlgBasic(parent) {
  setHideOnMinimize(true);
  loadFrame(kFrame);
  setMouseTracking(true);
  dragTimer_.setInterval(kDragInterval);
  connect(&dragTimer_, &QTimer::timeout, this, &CDlgBasicResizable::dragStep);
}

void CDlgBasicResizable::setProfileText(const QString& text) {
  profileText_ = text;
  update();
}

void CDlgBasicResizable::setSignatureText(const QString& text) {
  signatureText_ = text;
  update();
}

CDlgBasicResizable::Zone CDlgBasicResizable::zoneAt(QPoint p, int w, int h) {
  const int m = kMargin;
  const int b = kBand;
  if (inside(p, m, 0, w - m, m)) return Top;
  if (inside(p, 0, m, m, h - m)) return Left;
  if (inside(p, m, m, w - m, h - m)) {
    if (inside(p, m, m, m + b, m + b)) return TopLeft;
    if (inside(p, w - m - b, m, w - m, m + b)) return TopRight;
    if (inside(p, m, h - m - b, m + b, h - m)) return BottomLeft;
    if (inside(p, w - m - b, h - m - b, w - m, h - m)) return BottomRight;
    return Interior;
  }
  if (inside(p, w - m, m, w, h - m)) return Right;
  if (inside(p, m, h - m, w - m, h)) return Bottom;
  return None;
}

Qt::CursorShape CDlgBasicResizable::cursorFor(Zone zone) {
  switch (zone) {
    case TopLeft:
    case BottomRight:
      return Qt::SizeFDiagCursor;
    case Top:
    case Bottom:
      return Qt::SizeVerCursor;
    case TopRight:
    case BottomLeft:
      return Qt::SizeBDiagCursor;
    case Left:
    case Right:
      return Qt::SizeHorCursor;
    default:
      return Qt::ArrowCursor;
  }
}

void CDlgBasicResizable::drawWindow(QPainter& painter) {
  const int w = width();
  // The interior is plain white; the frame's background tile is not drawn.
  drawFrame(painter, false);

  painter.setPen(Qt::black);
  painter.setFont(titleFont());
  drawProfileLines(painter, profileRect(w), profileText_);
  painter.setFont(textFont());
  painter.drawText(signatureRect(w), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, signatureText_);
}

// The profile's lines share the rectangle evenly when the font's own line
// spacing would push the last one out of it (and onto the signature).
void CDlgBasicResizable::drawProfileLines(QPainter& painter, const QRect& box, const QString& text) {
  const QStringList lines = text.split(QLatin1Char('\n'));
  const QFontMetrics metrics(painter.font());
  const int step = std::min(metrics.lineSpacing(), (box.height() + 1) / int(lines.size()));
  painter.save();
  painter.setClipRect(box);
  for (int i = 0; i < lines.size(); ++i) {
    const QRect line(box.left(), box.top() + i * step, box.width(), step);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, lines[i]);
  }
  painter.restore();
}

void CDlgBasicResizable::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QDialog::mousePressEvent(event);
    return;
  }
  const Zone zone = zoneAt(event->position().toPoint(), width(), height());
  if (zone == None) {
    QDialog::mousePressEvent(event);
    return;
  }
  dragZone_ = zone;
  pressPoint_ = event->globalPosition().toPoint();
  cursor_ = pressPoint_;
  pressRect_ = geometry();
  grabMouse(cursorFor(zone));
  dragTimer_.start();
  event->accept();
}

void CDlgBasicResizable::mouseMoveEvent(QMouseEvent* event) {
  if (dragZone_ != None) {
    // The timer does the moving; here we only learn where the mouse is, which
    // keeps working while the window lags behind it.
    cursor_ = event->globalPosition().toPoint();
    event->accept();
    return;
  }
  const Zone zone = event->buttons() == Qt::NoButton ? zoneAt(event->position().toPoint(), width(), height()) : None;
  if (zone != hoverZone_) {
    hoverZone_ = zone;
    setCursor(cursorFor(zone));
  }
  QDialog::mouseMoveEvent(event);
}

void CDlgBasicResizable::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && dragZone_ != None) {
    cursor_ = event->globalPosition().toPoint();
    endDrag();
    event->accept();
    return;
  }
  QDialog::mouseReleaseEvent(event);
}

void CDlgBasicResizable::leaveEvent(QEvent* event) {
  if (dragZone_ == None && hoverZone_ != None) {
    hoverZone_ = None;
    setCursor(Qt::ArrowCursor);
  }
  CDlgBasic::leaveEvent(event);
}

void CDlgBasicResizable::endDrag() {
  dragTimer_.stop();
  dragZone_ = None;
  releaseMouse();
}

// One step: the grabbed edges follow the cursor at the distance they had at
// the press, the opposite edges stay, and no edge comes closer than the
// minimum size to its opposite one (it stops exactly at the minimum).
void CDlgBasicResizable::dragStep() {
  if (dragZone_ == None) return;
  const QPoint delta = cursor_ - pressPoint_;
  if (dragZone_ == Interior) {
    move(pressRect_.topLeft() + delta);
    return;
  }
  int left = pressRect_.x();
  int top = pressRect_.y();
  int right = pressRect_.x() + pressRect_.width();  // exclusive
  int bottom = pressRect_.y() + pressRect_.height();
  const bool grabsLeft = dragZone_ == TopLeft || dragZone_ == Left || dragZone_ == BottomLeft;
  const bool grabsRight = dragZone_ == TopRight || dragZone_ == Right || dragZone_ == BottomRight;
  const bool grabsTop = dragZone_ == TopLeft || dragZone_ == Top || dragZone_ == TopRight;
  const bool grabsBottom = dragZone_ == BottomLeft || dragZone_ == Bottom || dragZone_ == BottomRight;
  // A window that already was below the minimum is not made to jump.
  const int minWidth = std::min(kMinWidth, pressRect_.width());
  const int minHeight = std::min(kMinHeight, pressRect_.height());
  if (grabsLeft) left = std::min(left + delta.x(), right - minWidth);
  if (grabsRight) right = std::max(right + delta.x(), left + minWidth);
  if (grabsTop) top = std::min(top + delta.y(), bottom - minHeight);
  if (grabsBottom) bottom = std::max(bottom + delta.y(), top + minHeight);
  const QRect next(left, top, right - left, bottom - top);
  if (next != geometry()) {
    setGeometry(next);
    update();
  }
}

}  // namespace kiv
