#include "options/COptionPage.h"

#include <QKeyEvent>
#include <QPainter>

#include "skin/CBitButtonNL.h"
#include "skin/ResourceLoader.h"

namespace kiv {

namespace {
constexpr int kPagePattern = 201;
}

COptionPage::COptionPage(QWidget* parent) : CDlgBasic(parent) {
  setWindowFlags(Qt::Widget);
  closeButton()->hide();
  minimizeButton()->hide();
  resize(kWidth, kHeight);
}

void COptionPage::drawWindow(QPainter& painter) {
  painter.fillRect(rect(), QBrush(ResourceLoader::bitmap(kPagePattern)));
}

void COptionPage::mousePressEvent(QMouseEvent* event) {
  // The skinned base would start moving this page inside its window when
  // pressed near its top; a page stays where it is.
  QDialog::mousePressEvent(event);  // NOLINT(bugprone-parent-virtual-call)
}

void COptionPage::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    // Left to the options window, which closes as a whole.
    event->ignore();
    return;
  }
  CDlgBasic::keyPressEvent(event);
}

}  // namespace kiv
