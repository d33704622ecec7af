#pragma once

class QLabel;

namespace kiv {

class CMacProgressCtrl;

// The busy display of the search and profile windows: the progress bar's
// running stripes (and a label beside it), shown while a request is open.
class BusyDisplay {
 public:
  // `label` may be null. Both start hidden; the bar gets range 0-100, step 1
  // and position 50.
  BusyDisplay(CMacProgressCtrl* bar, QLabel* label = nullptr);

  void start();
  // Stops the animation, redraws the bar once and hides bar and label.
  void stop();
  bool running() const;

 private:
  CMacProgressCtrl* bar_;
  QLabel* label_;
};

}  // namespace kiv
