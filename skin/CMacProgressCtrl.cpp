#include "skin/CMacProgressCtrl.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace kiv {

CMacProgressCtrl::CMacProgressCtrl(QWidget* parent) : QProgressBar(parent) {
  setTextVisible(false);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &CMacProgressCtrl::tick);
  base_ = palette().color(QPalette::Highlight);
  deriveColours();
}

QColor CMacProgressCtrl::lighter(const QColor& c) {
  return QColor(lighterChannel(c.red()), lighterChannel(c.green()), lighterChannel(c.blue()));
}

QColor CMacProgressCtrl::darker(const QColor& c) {
  return QColor(darkerChannel(c.red()), darkerChannel(c.green()), darkerChannel(c.blue()));
}

void CMacProgressCtrl::setColor(const QColor& base) {
  base_ = base.toRgb();
  baseFromPalette_ = false;
  deriveColours();
  update();
}

void CMacProgressCtrl::deriveColours() {
  light1_ = lighter(base_);
  light2_ = lighter(light1_);
  light3_ = lighter(light2_);
  dark1_ = darker(base_);
  dark2_ = darker(dark1_);
  darkShadow_ = palette().color(QPalette::Shadow).toRgb();
  buttonShadow_ = palette().color(QPalette::Dark).toRgb();
  midShadow_ = QColor(buttonShadow_.red() + (darkShadow_.red() - buttonShadow_.red()) / 2,
                      buttonShadow_.green() + (darkShadow_.green() - buttonShadow_.green()) / 2,
                      buttonShadow_.blue() + (darkShadow_.blue() - buttonShadow_.blue()) / 2);
}

void CMacProgressCtrl::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) {
    if (baseFromPalette_) base_ = palette().color(QPalette::Highlight);
    deriveColours();
  }
  QProgressBar::changeEvent(event);
}

void CMacProgressCtrl::setBusy(bool on) {
  busy_ = on;
  if (on) {
    step_ = 0;
    update();
    timer_.start(kBusyInterval);
  } else {
    timer_.stop();
    update();
  }
}

void CMacProgressCtrl::tick() {
  step_ = (step_ + 1) % kStripePeriod;
  update();
  if (busy_) timer_.start(kBusyInterval);
}

void CMacProgressCtrl::stepIt() {
  if (maximum() <= minimum()) return;
  // Wide enough that a range reaching the ends of int cannot overflow.
  qint64 next = qint64(value()) + stepSize_;
  // Like the platform bar: stepping past the end wraps to the start.
  if (next > maximum()) next = qint64(minimum()) + (next - maximum());
  setValue(int(std::clamp<qint64>(next, minimum(), maximum())));
}

int CMacProgressCtrl::filledLength() const {
  const qint64 range = qint64(maximum()) - minimum();
  if (range <= 0) return 0;
  const qint64 span = orientation() == Qt::Horizontal ? width() : height();
  const qint64 done = std::clamp<qint64>(qint64(value()) - minimum(), 0, range);
  return int(done * span / range);
}

QSize CMacProgressCtrl::sizeHint() const {
  return orientation() == Qt::Horizontal ? QSize(160, 16) : QSize(16, 160);
}

// The bar is shaded along its short axis: a dark outline, a light upper
// half with a highlight line two pixels in, and a darker lower rim, so it
// reads as a raised tube. `vertical` swaps rows and columns.
void CMacProgressCtrl::paintBar(QPainter& p, const QRect& bar, bool vertical) {
  if (bar.isEmpty()) return;
  const int across = vertical ? bar.width() : bar.height();
  const int along = vertical ? bar.height() : bar.width();
  if (across < 4 || along < 4) {
    p.setPen(dark1_);
    p.setBrush(base_);
    p.drawRect(bar.adjusted(0, 0, -1, -1));
    p.setBrush(Qt::NoBrush);
    return;
  }
  p.fillRect(bar, light3_);
  // Line i counted from the top (horizontal) or from the left (vertical).
  auto line = [&](int i, const QColor& c, int from, int to) {
    p.setPen(c);
    if (vertical)
      p.drawLine(bar.left() + i, bar.bottom() - to, bar.left() + i, bar.bottom() - from);
    else
      p.drawLine(bar.left() + from, bar.top() + i, bar.left() + to, bar.top() + i);
  };
  const int last = along - 1;
  // Light upper half, richer lower half, dark rim: a tube lit from above.
  for (int i = 0; i < across; ++i) {
    const double f = double(i) / (across - 1);
    QColor c = light3_;
    if (i == 0 || i == across - 2)
      c = dark1_;
    else if (i == across - 1)
      c = dark2_;
    else if (i == 1)
      c = light2_;
    else if (f < 0.45)
      c = light3_;
    else if (f < 0.58)
      c = light2_;
    else if (f < 0.8)
      c = light1_;
    else
      c = base_;
    const int inset = (i == 0 || i == across - 1) ? 0 : 1;
    line(i, c, inset, last - inset);
  }
  // The two ends of the bar: the start in the base colour, the finish in the
  // darker colour so the bar's head stands out.
  auto end = [&](int pos, const QColor& c) {
    p.setPen(c);
    if (vertical)
      p.drawLine(bar.left(), bar.bottom() - pos, bar.right(), bar.bottom() - pos);
    else
      p.drawLine(bar.left() + pos, bar.top(), bar.left() + pos, bar.bottom());
  };
  end(0, dark1_);
  end(last, dark2_);
}

void CMacProgressCtrl::paintStripes(QPainter& p, const QRect& bar, bool vertical) {
  const int across = vertical ? bar.width() : bar.height();
  const int along = vertical ? bar.height() : bar.width();
  const QColor byOffset[10] = {dark2_, dark1_, base_, light1_, light2_, QColor(), light2_, light1_, base_, dark1_};
  p.save();
  p.setClipRect(bar);
  // Enough stripes to the left that the slanted lines cover the start too.
  const int firstStart = step_ - kStripePeriod * ((across + kStripePeriod - 1) / kStripePeriod + 1);
  for (int start = firstStart; start < along + kStripePeriod; start += kStripePeriod) {
    for (int offset = 0; offset < 10; ++offset) {
      if (!byOffset[offset].isValid()) continue;
      p.setPen(byOffset[offset]);
      const int a = start + offset;
      if (vertical)
        p.drawLine(bar.left(), bar.bottom() - a, bar.right(), bar.bottom() - a - across + 1);
      else
        p.drawLine(bar.left() + a, bar.top(), bar.left() + a + across - 1, bar.bottom());
    }
  }
  p.restore();
}

void CMacProgressCtrl::paintEvent(QPaintEvent* /*event*/) {
  QPixmap picture(size() * devicePixelRatioF());
  picture.setDevicePixelRatio(devicePixelRatioF());
  QPainter p(&picture);
  const QRect all = rect();
  p.fillRect(all, palette().color(QPalette::Button));
  const bool vertical = orientation() == Qt::Vertical;
  if (busy_) {
    paintBar(p, all, vertical);
    if (all.width() >= 4 && all.height() >= 4) {
      paintStripes(p, all.adjusted(1, 1, -1, -1), vertical);
    }
  } else {
    const int filled = filledLength();
    if (filled > 0) {
      QRect bar = vertical ? QRect(0, all.height() - filled, all.width(), filled) : QRect(0, 0, filled, all.height());
      paintBar(p, bar, vertical);
      // A soft shadow just past the head of the bar.
      if (!vertical && filled + 1 < all.width()) {
        p.setPen(midShadow_);
        p.drawLine(filled, 1, filled, all.bottom() - 1);
        p.setPen(buttonShadow_);
        p.drawLine(filled + 1, 2, filled + 1, all.bottom() - 2);
      } else if (vertical && filled + 1 < all.height()) {
        p.setPen(midShadow_);
        p.drawLine(1, all.height() - filled - 1, all.right() - 1, all.height() - filled - 1);
        p.setPen(buttonShadow_);
        p.drawLine(2, all.height() - filled - 2, all.right() - 2, all.height() - filled - 2);
      }
    }
  }
  p.end();
  QPainter screen(this);
  screen.drawPixmap(0, 0, picture);
}

}  // namespace kiv
