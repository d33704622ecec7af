#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QPushButton>
#include <functional>

namespace kiv {

// A push button drawn from up to four pictures: normal, pressed, hover and
// disabled. Only the normal picture is required; a missing pressed picture is
// the normal one moved by the pressed offset, a missing hover picture the
// normal one, a missing disabled picture the normal one greyed out. The
// caption is drawn only when asked for (the skin's pictures carry their own
// lettering). Every setter returns the button, so calls can be chained.
class CBitButtonNL : public QPushButton {
  Q_OBJECT
 public:
  enum TextPosition { UpperFifth = 0, LowerFifth = 1, Centred = 2 };

  explicit CBitButtonNL(QWidget* parent = nullptr);
  CBitButtonNL(const QString& text, QWidget* parent);

  // Replaces all pictures. Returns 1, or 0 (and keeps no picture at all) when
  // the normal picture is missing or any given picture is unreadable.
  int setImages(const QPixmap& normal, const QPixmap& pressed = QPixmap(), const QPixmap& hover = QPixmap(),
                const QPixmap& disabled = QPixmap());
  // The same by resource number; 0 means "none".
  int setBitmaps(int normal, int pressed = 0, int hover = 0, int disabled = 0);

  CBitButtonNL& setDrawText(bool on, bool redraw = true);
  CBitButtonNL& setDrawFocus(bool on, bool redraw = true);
  CBitButtonNL& setBold(bool on, bool redraw = true);
  CBitButtonNL& setFaceName(const QString& family, bool redraw = true);
  CBitButtonNL& setUnderline(bool on, bool redraw = true);
  CBitButtonNL& setItalic(bool on, bool redraw = true);
  CBitButtonNL& setPointSize(int points, bool redraw = true);
  CBitButtonNL& setWholeFont(const QFont& font, bool redraw = true);
  CBitButtonNL& setTextShadow(bool on, int dx = 3, int dy = 2, bool redraw = true);
  CBitButtonNL& setShadowColor(const QColor& colour, bool redraw = true);
  CBitButtonNL& setEmbossDisabledText(bool on, bool redraw = true);
  CBitButtonNL& setTextColors(const QColor& normal, const QColor& pressed, const QColor& hover, bool redraw = true);
  CBitButtonNL& setTextPosition(TextPosition position, bool redraw = true);
  CBitButtonNL& setPressedOffset(QPoint offset, bool redraw = true);

  bool isHover() const { return hover_; }
  bool drawsText() const { return drawText_; }
  QPoint pressedOffset() const { return pressedOffset_; }
  const QPixmap& normalImage() const { return images_[Normal]; }
  const QPixmap& pressedImage() const { return images_[Pressed]; }
  const QPixmap& hoverImage() const { return images_[Hover]; }
  const QPixmap& disabledImage() const { return images_[Disabled]; }

  QSize sizeHint() const override;

 protected:
  // Draws the picture for the current state into the item rectangle.
  virtual void drawImage(QPainter& painter, bool hasText, const QRect& item, const QRect& caption, bool pressed,
                         bool disabled);
  // Draws the caption, word-wrapped and centred, in the button's font.
  virtual void drawCaption(QPainter& painter, const QString& text, const QRect& item, const QRect& caption,
                           bool pressed, bool disabled);

  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  enum Role { Normal, Pressed, Hover, Disabled, RoleCount };

  void init();
  void setHover(bool on);
  // Repaints when asked to; returns the button for the setters to hand back.
  CBitButtonNL& refreshed(bool redraw);
  CBitButtonNL& editFont(const std::function<void(QFont&)>& edit, bool redraw);
  static QPixmap greyed(const QPixmap& source);

  QPixmap images_[RoleCount];
  QPixmap greyedNormal_;
  bool drawFocus_ = false;
  bool drawText_ = false;
  bool hover_ = false;
  bool embossDisabledText_ = true;
  QPoint pressedOffset_{1, 1};
  QPoint focusInset_{3, 3};
  QColor textNormal_, textPressed_, textHover_;
  TextPosition textPosition_ = Centred;
  bool shadow_ = false;
  QColor shadowColour_{Qt::gray};
  QPoint shadowOffset_{3, 2};
};

}  // namespace kiv
