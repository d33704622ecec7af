#pragma once

#include "skin/CDlgBasic.h"

namespace kiv {

// A page of the options window: a skinned dialog that lives inside that
// window instead of being a window of its own. It paints the pages' pattern
// instead of a frame, has neither title buttons nor a caption band to drag,
// and leaves Escape to the window around it.
class COptionPage : public CDlgBasic {
  Q_OBJECT
 public:
  static constexpr int kWidth = 233;
  static constexpr int kHeight = 250;

  explicit COptionPage(QWidget* parent);

 signals:
  // The page is done with the window: the options window closes.
  void closeRequested();

 protected:
  void drawWindow(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kiv
