#pragma once

#include <QColor>
#include <QProgressBar>
#include <QTimer>

namespace kiv {

// A progress bar drawn as a raised, shaded bar in colours derived from one
// base colour, with a busy mode in which diagonal stripes run along the bar
// instead of showing a position. Painting goes through an off-screen picture
// so the 25 ms animation never flickers.
class CMacProgressCtrl : public QProgressBar {
  Q_OBJECT
 public:
  static constexpr int kBusyInterval = 25;  // ms between animation steps
  static constexpr int kStripePeriod = 20;  // pixels from one stripe to the next

  explicit CMacProgressCtrl(QWidget* parent = nullptr);

  // Base colour; every other colour is derived from it again.
  void setColor(const QColor& base);
  QColor color() const { return base_; }

  void setBusy(bool on);
  bool isBusy() const { return busy_; }
  int animationStep() const { return step_; }

  // The underlying bar has no step; the dialogs that use this control do.
  void setStep(int step) { stepSize_ = step; }
  int step() const { return stepSize_; }
  void stepIt();

  // Derived colours, exposed so the look can be checked.
  QColor light1() const { return light1_; }
  QColor light2() const { return light2_; }
  QColor light3() const { return light3_; }
  QColor dark1() const { return dark1_; }
  QColor dark2() const { return dark2_; }
  QColor darkShadow() const { return darkShadow_; }
  QColor midShadow() const { return midShadow_; }
  QColor buttonShadow() const { return buttonShadow_; }

  // One channel 51 lighter or darker; a channel that would leave 0..255 stays.
  static int lighterChannel(int c) { return c + 51 <= 255 ? c + 51 : c; }
  static int darkerChannel(int c) { return c > 50 ? c - 51 : c; }
  static QColor lighter(const QColor& c);
  static QColor darker(const QColor& c);

  // Length in pixels of the filled part along the bar's axis; 0 for an empty
  // range.
  int filledLength() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void deriveColours();
  void tick();
  void paintBar(QPainter& p, const QRect& bar, bool vertical);
  void paintStripes(QPainter& p, const QRect& bar, bool vertical);

  int step_ = 0;
  bool busy_ = false;
  bool baseFromPalette_ = true;
  int stepSize_ = 10;
  QColor base_;
  QColor light1_, light2_, light3_;
  QColor dark1_, dark2_;
  QColor darkShadow_, midShadow_, buttonShadow_;
  QTimer timer_;
};

}  // namespace kiv
