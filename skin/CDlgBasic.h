#pragma once

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QPoint>
#include <QRect>
#include "skin/FramePieces.h"

namespace kiv {

class CBitButtonNL;

// The skinned base of every window of the client: a frameless dialog drawn
// from a nine-piece bitmap frame, with its own close and minimize buttons, a
// caption band to move it by, and the program's fonts. It draws and moves;
// what the window shows and asks is the subclass's business.
//
// Subclasses build their controls in their constructor (after this one has
// run), tag each numbered control with setProperty("controlId", N) and find
// them again with control(N).
class CDlgBasic : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kCloseId = 1001;
  static constexpr int kMinimizeId = 1000;
  static constexpr int kCaptionHeight = 26;  // presses above this move the window
  static constexpr int kCloseFromRight = 24;
  static constexpr int kMinimizeFromRight = 46;
  static constexpr int kTitleButtonTop = 4;
  static constexpr int kTitleButtonSize = 20;

  explicit CDlgBasic(QWidget* parent = nullptr);
  ~CDlgBasic() override;

  // The child carrying property controlId == id (searched recursively), or
  // nullptr. The templated form also checks the type.
  QWidget* control(int id) const;
  template <class T>
  T* control(int id) const {
    return qobject_cast<T*>(control(id));
  }

  const QFont& titleFont() const { return titleFont_; }
  const QFont& textFont() const { return textFont_; }
  bool hideOnMinimize() const { return hideOnMinimize_; }
  CBitButtonNL* closeButton() const { return closeButton_; }
  CBitButtonNL* minimizeButton() const { return minimizeButton_; }
  // True from a press in the caption band until the button is released.
  bool isCaptionMoving() const { return captionMoving_; }

  // Dialog-unit layout for the 12-pixel text font.
  static int dluX(int x) { return x * 3 / 2; }
  static int dluY(int y) { return y * 13 / 8; }
  static QRect dluRect(int x, int y, int w, int h) { return QRect(dluX(x), dluY(y), dluX(w), dluY(h)); }
  // Gives `widget` its control number and its place from dialog units.
  static void placeControl(QWidget* widget, int id, int x, int y, int w, int h);

  // The program's fonts: "Arial" bold 15 px for titles, "宋体" 12 px for
  // text, each falling back to an installed font with CJK glyphs.
  static QFont makeTitleFont();
  static QFont makeTextFont();

 protected:
  // Called while painting, after the frame and before the picture reaches
  // the screen; draws extra decoration. Nothing by default.
  virtual void OnDrawBackground(QPainter& painter, int left, int top, int right, int bottom);

  // The close button: the dialog's cancel operation unless overridden.
  virtual void onCloseClicked();
  virtual void onMinimizeClicked();

  // Replaces the frame bitmaps (nine numbers in FramePieces::Piece order).
  void loadFrame(const int (&numbers)[FramePieces::Count]);
  const FramePieces& frame() const { return frame_; }
  void setHideOnMinimize(bool on) { hideOnMinimize_ = on; }
  // Puts the two title buttons at their places for the current width.
  void placeTitleButtons();

  // Draws the whole window into `painter` (client coordinates) the way a
  // paint does; subclasses change the frame drawing here.
  virtual void drawWindow(QPainter& painter);
  // White, then the frame (its background tile only when `withBackground`),
  // then OnDrawBackground: the part every window draws the same way.
  void drawFrame(QPainter& painter, bool withBackground);

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QFont titleFont_;
  QFont textFont_;
  FramePieces frame_;
  CBitButtonNL* closeButton_ = nullptr;
  CBitButtonNL* minimizeButton_ = nullptr;
  bool hideOnMinimize_ = false;
  QIcon icon_;
  bool captionMoving_ = false;
  QPoint moveOffset_;  // press point relative to the window's top-left
};

}  // namespace kiv
