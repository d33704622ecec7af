#include "skin/BusyDisplay.h"

#include <QLabel>

#include "skin/CMacProgressCtrl.h"

namespace kiv {

BusyDisplay::BusyDisplay(CMacProgressCtrl* bar, QLabel* label) : bar_(bar), label_(label) {
  bar_->setRange(0, 100);
  bar_->setStep(1);
  bar_->setValue(50);
  bar_->setTextVisible(false);
  bar_->hide();
  if (label_) label_->hide();
}

void BusyDisplay::start() {
  bar_->setBusy(true);
  bar_->show();
  if (label_) label_->show();
}

void BusyDisplay::stop() {
  bar_->setBusy(false);
  bar_->update();
  bar_->hide();
  if (label_) label_->hide();
}

bool BusyDisplay::running() const {
  return bar_->isBusy();
}

}  // namespace kiv
