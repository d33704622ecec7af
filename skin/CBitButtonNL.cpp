#include "skin/CBitButtonNL.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include "skin/ResourceLoader.h"

namespace kiv {

CBitButtonNL::CBitButtonNL(QWidget* parent) : QPushButton(parent) {
  init();
}

CBitButtonNL::CBitButtonNL(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  init();
}

void CBitButtonNL::init() {
  setMouseTracking(true);
  setFlat(true);
  setAttribute(Qt::WA_Hover, false);
  // The pictures carry the look; keyboard focus is shown only when asked for.
  setFocusPolicy(Qt::StrongFocus);
  // A click takes the focus, unless the button was made never to have it.
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  });
}

int CBitButtonNL::setImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                            const QPixmap& disabled) {
  for (QPixmap& image : images_) image = QPixmap();
  greyedNormal_ = QPixmap();
  if (normal.isNull()) {
    update();
    return 0;
  }
  images_[Normal] = normal;
  images_[Pressed] = pressed;
  images_[Hover] = hover;
  images_[Disabled] = disabled;
  update();
  return 1;
}

int CBitButtonNL::setBitmaps(int normal, int pressed, int hover, int disabled) {
  QPixmap loaded[RoleCount];
  const int numbers[RoleCount] = {normal, pressed, hover, disabled};
  for (int role = 0; role < RoleCount; ++role) {
    if (numbers[role] == 0) continue;
    loaded[role] = ResourceLoader::bitmap(numbers[role]);
    if (loaded[role].isNull()) return setImages(QPixmap());  // drops every picture
  }
  return setImages(loaded[Normal], loaded[Pressed], loaded[Hover], loaded[Disabled]);
}

CBitButtonNL& CBitButtonNL::refreshed(bool redraw) {
  if (redraw) update();
  return *this;
}

CBitButtonNL& CBitButtonNL::editFont(const std::function<void(QFont&)>& edit, bool redraw) {
  QFont f = font();
  edit(f);
  setFont(f);
  return refreshed(redraw);
}

CBitButtonNL& CBitButtonNL::setDrawText(bool on, bool redraw) {
  drawText_ = on;
  return refreshed(redraw);
}

CBitButtonNL& CBitButtonNL::setDrawFocus(bool on, bool redraw) {
  drawFocus_ = on;
  return refreshed(redraw);
}

CBitButtonNL& CBitButtonNL::setBold(bool on, bool redraw) {
  return editFont([&](QFont& f) { f.setBold(on); }, redraw);
}

CBitButtonNL& CBitButtonNL::setFaceName(const QString& family, bool redraw) {
  return editFont([&](QFont& f) { f.setFamilies({family}); }, redraw);
}

CBitButtonNL& CBitButtonNL::setUnderline(bool on, bool redraw) {
  return editFont([&](QFont& f) { f.setUnderline(on); }, redraw);
}

CBitButtonNL& CBitButtonNL::setItalic(bool on, bool redraw) {
  return editFont([&](QFont& f) { f.setItalic(on); }, redraw);
}

CBitButtonNL& CBitButtonNL::setPointSize(int points, bool redraw) {
  if (points <= 0) return refreshed(redraw);
  return editFont([&](QFont& f) { f.setPointSize(points); }, redraw);
}

CBitButtonNL& CBitButtonNL::setWholeFont(const QFont& whole, bool redraw) {
  setFont(whole);
  return refreshed(redraw);
}

CBitButtonNL& CBitButtonNL::setTextShadow(bool on, int dx, int dy, bool redraw) {
  shadow_ = on;
  shadowOffset_ = QPoint(dx, dy);
  return refreshed(redraw);
}

CBitButtonNL& CBitButtonNL::setShadowColor(const QColor& colour, bool redraw) {
  shadowColour_ = colour;
  return refreshed(redraw);
}

CBitButtonNL& CBitButtonNL::setEmbossDisabledText(bool on, bool redraw) {
  embossDisabledText_ = on;
  return refreshed(redraw);
}

CBitButtonNL& CBitButtonNL::setTextColors(const QColor& normal, const QColor& pressed, const QColor& hover,
                                          bool redraw) {
  textNormal_ = normal;
  textPressed_ = pressed;
  textHover_ = hover;
  return refreshed(redraw);
}

CBitButtonNL& CBitButtonNL::setTextPosition(TextPosition position, bool redraw) {
  textPosition_ = position;
  return refreshed(redraw);
}

CBitButtonNL& CBitButtonNL::setPressedOffset(QPoint offset, bool redraw) {
  pressedOffset_ = offset;
  return refreshed(redraw);
}

QSize CBitButtonNL::sizeHint() const {
  if (!images_[Normal].isNull()) return images_[Normal].deviceIndependentSize().toSize();
  return QPushButton::sizeHint();
}

void CBitButtonNL::setHover(bool on) {
  if (hover_ == on) return;
  hover_ = on;
  update();
}

void CBitButtonNL::enterEvent(QEnterEvent* event) {
  // Dragging onto the button with the left button held does not light it up.
  if (!(QApplication::mouseButtons() & Qt::LeftButton)) setHover(true);
  QPushButton::enterEvent(event);
}

void CBitButtonNL::leaveEvent(QEvent* event) {
  setHover(false);
  QPushButton::leaveEvent(event);
}

void CBitButtonNL::mouseMoveEvent(QMouseEvent* event) {
  const bool inside = rect().contains(event->position().toPoint());
  if (inside && !hover_ && !(event->buttons() & Qt::LeftButton)) setHover(true);
  // While the button is held the mouse stays grabbed by it, so moves outside
  // still arrive here.
  if (!inside && hover_) setHover(false);
  QPushButton::mouseMoveEvent(event);
}

void CBitButtonNL::hideEvent(QHideEvent* event) {
  // A button hidden under the mouse gets no leave event; shown again later it
  // must not come back lit.
  setHover(false);
  QPushButton::hideEvent(event);
}

QPixmap CBitButtonNL::greyed(const QPixmap& source) {
  QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      // Grey, and half way towards white: readable but plainly inactive.
      const int grey = (qRed(p) * 11 + qGreen(p) * 16 + qBlue(p) * 5) / 32;
      const int light = (grey + 255) / 2;
      line[x] = qRgba(light, light, light, qAlpha(p));
    }
  }
  return QPixmap::fromImage(image);
}

void CBitButtonNL::drawImage(QPainter& painter, bool /*hasText*/, const QRect& item, const QRect& /*caption*/,
                             bool pressed, bool disabled) {
  const QPixmap& normal = images_[Normal];
  if (normal.isNull()) return;
  QPoint at = item.topLeft();
  const QPixmap* chosen = &normal;
  if (disabled) {
    if (!images_[Disabled].isNull()) {
      chosen = &images_[Disabled];
    } else {
      if (greyedNormal_.isNull()) greyedNormal_ = greyed(normal);
      chosen = &greyedNormal_;
    }
  } else if (pressed) {
    if (!images_[Pressed].isNull())
      chosen = &images_[Pressed];
    else
      at += pressedOffset_;
  } else if (hover_) {
    if (!images_[Hover].isNull()) chosen = &images_[Hover];
  }
  painter.drawPixmap(at, *chosen);
}

void CBitButtonNL::drawCaption(QPainter& painter, const QString& text, const QRect& item, const QRect& /*caption*/,
                               bool pressed, bool disabled) {
  painter.setFont(font());
  const int flags = Qt::AlignHCenter | Qt::TextWordWrap;
  const QRect measured = painter.boundingRect(item, flags, text);
  const int free = item.height() - measured.height();
  int top = item.top() + free / 2;
  if (textPosition_ == UpperFifth) top = item.top() + free / 5;
  if (textPosition_ == LowerFifth) top = item.top() + free * 4 / 5;
  QRect box(item.left(), top, item.width(), measured.height());
  if (pressed) box.translate(pressedOffset_);

  if (disabled && embossDisabledText_) {
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(box.translated(1, 1), flags, text);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawText(box, flags, text);
    return;
  }
  const QColor plain = textNormal_.isValid() ? textNormal_ : palette().color(QPalette::ButtonText);
  if (pressed) {
    painter.setPen(textPressed_.isValid() ? textPressed_ : plain);
  } else {
    if (shadow_) {
      painter.setPen(shadowColour_);
      painter.drawText(box.translated(shadowOffset_), flags, text);
    }
    painter.setPen(hover_ && textHover_.isValid() ? textHover_ : plain);
  }
  painter.drawText(box, flags, text);
}

void CBitButtonNL::paintEvent(QPaintEvent* /*event*/) {
  const bool pressed = isDown();
  const bool disabled = !isEnabled();
  const QRect item = rect();
  QPainter painter(this);
  const QString caption = text();
  const bool hasText = drawText_ && !caption.isEmpty();
  drawImage(painter, hasText, item, item, pressed, disabled);
  if (hasText) drawCaption(painter, caption, item, item, pressed, disabled);
  if (drawFocus_ && hasFocus()) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = item.adjusted(focusInset_.x(), focusInset_.y(), -focusInset_.x(), -focusInset_.y());
    if (pressed) option.rect.translate(pressedOffset_);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

}  // namespace kiv
