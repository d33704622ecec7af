#include "skin/CPictureEx.h"

#include <QByteArrayView>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QRect>
#include <algorithm>

#include "platform/qtcore/UiThreadCall.h"
#include "skin/GifParser.h"
#include "skin/ResourceLoader.h"

namespace kiv {

namespace {

// The control shows small pictures. Far larger logical screens or frame sets
// come from broken or hostile files (a few kilobytes of LZW can claim
// gigabytes of pixels), so they are refused instead of exhausting memory.
constexpr qint64 kMaxScreenPixels = 4096LL * 4096;
constexpr qint64 kMaxDecodedPixels = 64LL * 1024 * 1024;  // all frames together
constexpr int kFastestDelay = 4;                          // hundredths; anything up to it plays at...
constexpr std::chrono::milliseconds kSlowedDelay{100};    // ...this pace

qint64 pixels(QSize size) {
  return qint64(size.width()) * size.height();
}

QImage decode(const uint8_t* data, size_t size, const char* format) {
  return QImage::fromData(QByteArrayView(data, static_cast<qsizetype>(size)), format);
}

}  // namespace

CPictureEx::CPictureEx(QWidget* parent) : QWidget(parent), stopEvent_(std::make_unique<Pauser>()) {}

CPictureEx::~CPictureEx() {
  Unload();
}

std::chrono::milliseconds CPictureEx::frameDuration(int delayHundredths) {
  if (delayHundredths <= kFastestDelay) return kSlowedDelay;
  return std::chrono::milliseconds(delayHundredths * 10);
}

std::vector<std::chrono::milliseconds> CPictureEx::frameSchedule() const {
  std::vector<std::chrono::milliseconds> schedule;
  for (const Frame& f : frames_) schedule.push_back(frameDuration(f.delay));
  return schedule;
}

void CPictureEx::setTimeScale(double scale) {
  if (thread_.joinable()) return;
  stopEvent_ = std::make_unique<Pauser>(scale);
}

void CPictureEx::setFrameObserver(std::function<void(int)> observer) {
  if (thread_.joinable()) return;
  frameObserver_ = std::move(observer);
}

int CPictureEx::Load(int resourceId) {
  // An unknown number gives no bytes, which Load refuses.
  return Load(ResourceLoader::gif(resourceId));
}

int CPictureEx::Load(const QByteArray& data) {
  return Load(reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size()));
}

int CPictureEx::Load(const uint8_t* data, size_t size) {
  Unload();
  if (data == nullptr || size == 0) return 0;
  const int ok = GifParser::hasSignature(data, size) ? loadGif(data, size) : loadStill(decode(data, size, nullptr));
  if (!ok) Unload();
  return ok;
}

int CPictureEx::loadGif(const uint8_t* data, size_t size) {
  GifLayout layout;
  if (!GifParser::parse(data, size, layout)) return 0;
  isGif_ = true;
  if (layout.frames.size() == 1) return loadStill(decode(data, size, "GIF"));

  QSize screen(layout.width, layout.height);
  if (screen.isEmpty()) {
    // No usable logical screen: make room for every frame instead.
    for (const GifFrameLayout& f : layout.frames) screen = screen.expandedTo(QSize(f.left + f.width, f.top + f.height));
  }
  if (screen.isEmpty() || pixels(screen) > kMaxScreenPixels) return 0;

  qint64 budget = kMaxDecodedPixels;
  for (size_t i = 0; i < layout.frames.size(); ++i) {
    const GifFrameLayout& f = layout.frames[i];
    const qint64 area = qint64(f.width) * f.height;
    if (area == 0) continue;  // nothing to show; a decoder would refuse it anyway
    if (area > budget) return 0;
    const std::vector<uint8_t> file = GifParser::frameFile(data, size, layout, i);
    QImage picture = decode(file.data(), file.size(), "GIF");
    if (picture.isNull()) continue;  // a damaged frame is left out, the others still play
    budget -= area;
    frames_.push_back(Frame{picture.convertToFormat(QImage::Format_ARGB32_Premultiplied), f.left, f.top, f.width,
                            f.height, f.delay, f.disposal});
  }
  if (frames_.empty()) return 0;
  if (frames_.size() == 1) {
    // Only one frame survived: show it still, where it belongs on the screen.
    QImage still(screen, QImage::Format_ARGB32_Premultiplied);
    if (still.isNull()) return 0;
    still.fill(Qt::transparent);
    const Frame& f = frames_.front();
    QPainter(&still).drawImage(QRect(f.left, f.top, f.width, f.height), f.picture);
    frames_.clear();
    return loadStill(still);
  }
  return prepareOffscreen(screen);
}

int CPictureEx::loadStill(const QImage& picture) {
  if (picture.isNull()) return 0;
  whole_ = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  return prepareOffscreen(whole_.size());
}

int CPictureEx::prepareOffscreen(QSize size) {
  if (size.isEmpty() || pixels(size) > kMaxScreenPixels) return 0;
  QImage offscreen(size, QImage::Format_ARGB32_Premultiplied);
  if (offscreen.isNull()) return 0;
  background_ = palette().color(QPalette::Button);
  offscreen.fill(background_);
  {
    std::lock_guard lock(offscreenMutex_);
    offscreen_ = std::move(offscreen);
  }
  screen_ = size;
  loaded_ = true;
  resize(size);
  updateGeometry();
  return 1;
}

int CPictureEx::Draw() {
  if (!loaded_) return 0;
  if (isAnimated()) {
    if (playing_.load()) return 1;
    if (thread_.joinable()) thread_.join();  // a thread that was asked to stop from its own callback
    stopRequested_ = false;
    stopEvent_->reset();
    playing_ = true;
    thread_ = std::thread(&CPictureEx::animate, this);
    return 1;
  }
  if (whole_.isNull()) return 0;
  {
    std::lock_guard lock(offscreenMutex_);
    offscreen_.fill(background_);
    QPainter painter(&offscreen_);
    if (!painter.isActive()) return 0;
    painter.drawImage(0, 0, whole_);
  }
  update();
  return 1;
}

void CPictureEx::Stop() {
  stopRequested_ = true;
  stopEvent_->interrupt();
  // From the frame callback the thread cannot wait for itself; it ends as
  // soon as the callback returns, and the next Draw or Stop collects it.
  if (animationThread_.load() == std::this_thread::get_id()) return;
  if (thread_.joinable()) {
    // The thread only ever waits on the stop event, so this returns within
    // one frame step. Waiting without a time limit is deliberate: a thread
    // left running would go on drawing into pictures that Unload frees.
    thread_.join();
  }
  stopEvent_->reset();
  stopRequested_ = false;
}

void CPictureEx::Unload() {
  Stop();
  {
    std::lock_guard lock(offscreenMutex_);
    offscreen_ = QImage();
  }
  saved_ = QImage();
  whole_ = QImage();
  frames_.clear();
  loaded_ = false;
  isGif_ = false;
  screen_ = QSize();
  background_ = Qt::white;
  current_ = 0;
  resumeOnScreen_ = false;
  update();
}

QImage CPictureEx::snapshot() const {
  std::lock_guard lock(offscreenMutex_);
  return offscreen_.copy();
}

QSize CPictureEx::sizeHint() const {
  return screen_.isValid() ? screen_ : QWidget::sizeHint();
}

void CPictureEx::animate() {
  animationThread_ = std::this_thread::get_id();
  const int count = static_cast<int>(frames_.size());
  while (!stopRequested_.load()) {
    const int index = current_.load();
    const Frame& frame = frames_[static_cast<size_t>(index)];
    const QRect area(frame.left, frame.top, frame.width, frame.height);
    if (resumeOnScreen_) {
      // Stopped during this frame's wait: it is on screen already, and
      // saving the area again would save the frame instead of what it covers.
      resumeOnScreen_ = false;
    } else {
      std::lock_guard lock(offscreenMutex_);
      if (frame.disposal == 3) saved_ = offscreen_.copy(area);
      QPainter(&offscreen_).drawImage(area, frame.picture);
    }
    requestRepaint();
    if (frameObserver_) frameObserver_(index);
    if (!stopEvent_->pause(frameDuration(frame.delay)) || stopRequested_.load()) {
      resumeOnScreen_ = true;
      break;
    }
    const int next = index + 1 < count ? index + 1 : 0;
    {
      std::lock_guard lock(offscreenMutex_);
      if (frame.disposal == 2) {
        QPainter(&offscreen_).fillRect(area, background_);
      } else if (frame.disposal == 3 && !saved_.isNull()) {
        QPainter painter(&offscreen_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(area.topLeft(), saved_);
      }
      if (next == 0) offscreen_.fill(background_);
    }
    current_ = next;
  }
  playing_ = false;
}

void CPictureEx::requestRepaint() {
  // One pending repaint is enough; a fast animation must not flood the queue.
  if (repaintPending_.exchange(true)) return;
  postToThreadOf(this, [this] {
    repaintPending_ = false;
    update();
  });
}

void CPictureEx::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  std::lock_guard lock(offscreenMutex_);
  if (offscreen_.isNull()) return;
  const QRect area = event->rect().intersected(offscreen_.rect());
  painter.drawImage(area.topLeft(), offscreen_, area);
}

}  // namespace kiv
