#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Pauser.h"

namespace kiv {

// A picture control that shows a GIF and, when it has more than one frame,
// plays the animation on a thread of its own. Any other picture QImage reads
// (a BMP, a PNG) is shown still.
//
// The animation thread composes frames into an off-screen picture and asks
// the control to repaint on the UI thread; it never touches the widget
// itself. Load, Draw, Stop and Unload belong to the UI thread.
class CPictureEx : public QWidget {
  Q_OBJECT

 public:
  // The animated sign-in picture of the login window.
  static constexpr int kSignInAnimation = 278;

  struct Frame {
    QImage picture;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int delay = 0;  // hundredths of a second, as stored in the file
    int disposal = 0;
  };

  explicit CPictureEx(QWidget* parent = nullptr);
  ~CPictureEx() override;

  // Loads the numbered GIF resource. Returns 1, or 0 when it is missing or
  // cannot be loaded.
  int Load(int resourceId);
  // Unloads, then loads a GIF or a still picture from memory. Returns 1 on
  // success; 0 for empty, unknown, malformed or truncated data, or a picture
  // too large to hold, leaving the control empty.
  int Load(const uint8_t* data, size_t size);
  int Load(const QByteArray& data);

  // Shows the loaded picture: a still picture is rendered at once, an
  // animation starts its thread. Returns 1 when the picture is shown or
  // playing, 0 when nothing is loaded or rendering failed.
  int Draw();
  // Ends the animation; returns within one frame step. The current frame
  // stays on screen.
  void Stop();
  // Stops and forgets the picture.
  void Unload();

  bool isLoaded() const { return loaded_; }
  bool isGif() const { return isGif_; }
  bool isAnimated() const { return frames_.size() > 1; }
  bool isPlaying() const { return playing_.load(); }
  QSize pictureSize() const { return screen_; }
  // The frames of an animation; empty for a still picture.
  int frameCount() const { return static_cast<int>(frames_.size()); }
  const std::vector<Frame>& frames() const { return frames_; }
  int currentFrame() const { return current_.load(); }
  QColor backgroundColor() const { return background_; }
  // A copy of the off-screen picture as it is now.
  QImage snapshot() const;

  // How long a frame with the given delay stays on screen: the delay itself,
  // except that 0-4 hundredths (which would make the animation race or stall
  // a busy machine) play at 100 ms.
  static std::chrono::milliseconds frameDuration(int delayHundredths);
  // frameDuration() of every loaded frame, in playing order.
  std::vector<std::chrono::milliseconds> frameSchedule() const;

  // For tests, while not playing: scales every frame wait (0.01 plays a
  // 100 ms frame in 1 ms), and a callback run on the animation thread after
  // each frame is composed and before its wait, with the frame's index. The
  // off-screen picture is not locked during the callback, so it may call
  // snapshot() or block until the UI thread has looked.
  void setTimeScale(double scale);
  void setFrameObserver(std::function<void(int frame)> observer);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int loadGif(const uint8_t* data, size_t size);
  int loadStill(const QImage& picture);
  int prepareOffscreen(QSize size);
  void animate();
  void requestRepaint();

  bool loaded_ = false;
  bool isGif_ = false;
  QSize screen_;
  QColor background_ = Qt::white;
  QImage whole_;  // the picture when it is not animated
  std::vector<Frame> frames_;

  // The off-screen picture is written by the animation thread and read by
  // paintEvent(); the saved area belongs to the animation thread alone.
  mutable std::mutex offscreenMutex_;
  QImage offscreen_;
  QImage saved_;

  std::atomic<int> current_{0};
  std::atomic<bool> playing_{false};
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> repaintPending_{false};
  std::unique_ptr<Pauser> stopEvent_;
  std::thread thread_;  // UI thread only
  // Set by the animation thread itself before its first frame, so that Stop
  // from the frame callback knows where it runs without reading thread_,
  // which the UI thread may still be assigning.
  std::atomic<std::thread::id> animationThread_{};
  std::function<void(int)> frameObserver_;
  bool resumeOnScreen_ = false;  // animation thread only (and Unload, after it ended)
};

}  // namespace kiv
