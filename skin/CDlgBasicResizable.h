#pragma once

#include <QRect>
#include <QString>
#include <QTimer>

#include "skin/CDlgBasic.h"

namespace kiv {

// The skinned base of the main window: its own frame, resizing and moving by
// mouse from thin grab zones along the border and the bare interior, resize
// cursors while hovering those zones, the two header texts (profile and
// signature), and hiding into the notification area when minimized.
class CDlgBasicResizable : public CDlgBasic {
  Q_OBJECT
 public:
  static constexpr int kMargin = 2;  // outer margin of the grab zones
  static constexpr int kBand = 3;    // size of the corner grab squares
  static constexpr int kMinWidth = 170;
  static constexpr int kMinHeight = 400;
  static constexpr int kDragInterval = 20;  // ms between drag steps

  // Grab zones, numbered like a keypad: 1 2 3 / 4 5 6 / 7 8 9; 0 = none.
  enum Zone {
    None = 0,
    TopLeft = 1,
    Top = 2,
    TopRight = 3,
    Left = 4,
    Interior = 5,
    Right = 6,
    BottomLeft = 7,
    Bottom = 8,
    BottomRight = 9
  };

  explicit CDlgBasicResizable(QWidget* parent = nullptr);

  // Header texts, painted black on the header band: the profile text (may
  // hold line breaks) in the title font, the signature as one line.
  void setProfileText(const QString& text);
  void setSignatureText(const QString& text);
  QString profileText() const { return profileText_; }
  QString signatureText() const { return signatureText_; }

  // The zone of a point in window coordinates for a w x h window.
  static Zone zoneAt(QPoint point, int w, int h);
  static Qt::CursorShape cursorFor(Zone zone);

  bool isDragging() const { return dragZone_ != None; }
  Zone dragZone() const { return dragZone_; }
  // Zone under the mouse while hovering (decides the cursor).
  Zone hoverZone() const { return hoverZone_; }

  static QRect profileRect(int w) { return QRect(QPoint(55, 30), QPoint(w - 10, 76)); }
  static QRect signatureRect(int w) { return QRect(QPoint(10, 75), QPoint(w - 10, 91)); }

 protected:
  void drawWindow(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  static void drawProfileLines(QPainter& painter, const QRect& box, const QString& text);
  void dragStep();
  void endDrag();

  Zone dragZone_ = None;
  Zone hoverZone_ = None;
  QPoint pressPoint_;  // global
  QRect pressRect_;    // window geometry at the press
  QPoint cursor_;      // latest global mouse position during the drag
  QTimer dragTimer_;
  QString profileText_;
  QString signatureText_;
};

}  // namespace kiv
