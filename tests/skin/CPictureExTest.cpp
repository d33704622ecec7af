#include "skin/CPictureEx.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "skin/GifTestWriter.h"
#include "skin/ResourceLoader.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;
using test::GifPlan;
using test::solidFrame;
using test::writeGif;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// Holds the animation thread in its frame callback until the test has looked
// at the frame, so that every frame can be checked without racing the thread.
class FrameGate {
 public:
  std::function<void(int)> observer() {
    return [this](int frame) {
      std::unique_lock lock(mutex_);
      shown_.push_back(frame);
      changed_.notify_all();
      changed_.wait(lock, [&] { return open_ || released_ >= shown_.size(); });
    };
  }
  // Waits until the n-th frame (1-based, counting repeats) is on screen and
  // returns its index, or -1 after a generous timeout.
  int waitFor(size_t n) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, 10s, [&] { return shown_.size() >= n; })) return -1;
    return shown_[n - 1];
  }
  void release() {
    std::lock_guard lock(mutex_);
    ++released_;
    changed_.notify_all();
  }
  // Lets the thread run freely, so that Stop can end it.
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> shown_;
  size_t released_ = 0;
  bool open_ = false;
};

GifPlan threeDelays(int a, int b, int c) {
  GifPlan plan;
  plan.width = 4;
  plan.height = 4;
  plan.palette = {kWhite, kRed, kGreen, kBlue};
  plan.frames = {solidFrame(0, 0, 4, 4, 1, a), solidFrame(0, 0, 4, 4, 2, b), solidFrame(0, 0, 4, 4, 3, c)};
  return plan;
}

QRgb rgb(uint32_t c) {
  return qRgb(int(c >> 16) & 0xFF, int(c >> 8) & 0xFF, int(c) & 0xFF);
}

QRgb pixel(const CPictureEx& picture, int x, int y) {
  return picture.snapshot().pixel(x, y) | 0xFF000000u;
}

void finish(CPictureEx& picture, FrameGate& gate) {
  gate.open();
  picture.Stop();
}

TEST(CPictureEx, ShortDelaysPlayAtOneHundredMilliseconds) {
  EXPECT_EQ(100ms, CPictureEx::frameDuration(0));
  EXPECT_EQ(100ms, CPictureEx::frameDuration(4));
  EXPECT_EQ(50ms, CPictureEx::frameDuration(5));
  EXPECT_EQ(2000ms, CPictureEx::frameDuration(200));

  const Bytes gif = writeGif(threeDelays(0, 4, 5));
  CPictureEx picture;
  ASSERT_EQ(1, picture.Load(gif.data(), gif.size()));
  ASSERT_TRUE(picture.isAnimated());
  EXPECT_EQ((std::vector<std::chrono::milliseconds>{100ms, 100ms, 50ms}), picture.frameSchedule());

  // One real round with the real pauses: frame 0 again marks the end of frame 2.
  std::mutex mutex;
  std::condition_variable shown;
  std::vector<Clock::time_point> times;
  picture.setFrameObserver([&](int) {
    std::lock_guard lock(mutex);
    times.push_back(Clock::now());
    shown.notify_all();
  });
  ASSERT_EQ(1, picture.Draw());
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(shown.wait_for(lock, 5s, [&] { return times.size() >= 4; }));
  }
  picture.Stop();
  const std::chrono::milliseconds expected[] = {100ms, 100ms, 50ms};
  for (int i = 0; i < 3; ++i) {
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(times[i + 1] - times[i]);
    EXPECT_GE(took, expected[i] - 2ms) << "frame " << i;
    EXPECT_LT(took, expected[i] + 150ms) << "frame " << i;
  }
}

TEST(CPictureEx, StillPicturesStartNoThread) {
  GifPlan one;
  one.width = 3;
  one.height = 2;
  one.palette = {kWhite, kRed};
  one.frames = {solidFrame(0, 0, 3, 2, 1, 10)};
  const Bytes gif = writeGif(one);

  QImage bitmap(5, 3, QImage::Format_RGB32);
  bitmap.fill(QColor(10, 20, 30));
  bitmap.setPixel(4, 2, qRgb(200, 100, 50));
  QByteArray bmp;
  QBuffer buffer(&bmp);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(bitmap.save(&buffer, "BMP"));

  CPictureEx picture;
  bool observed = false;
  picture.setFrameObserver([&](int) { observed = true; });
  EXPECT_EQ(0, picture.Draw());  // nothing loaded yet

  ASSERT_EQ(1, picture.Load(gif.data(), gif.size()));
  EXPECT_TRUE(picture.isGif());
  EXPECT_FALSE(picture.isAnimated());
  EXPECT_EQ(QSize(3, 2), picture.pictureSize());
  EXPECT_EQ(QSize(3, 2), picture.size());
  EXPECT_EQ(1, picture.Draw());
  EXPECT_FALSE(picture.isPlaying());
  EXPECT_EQ(rgb(kRed), pixel(picture, 2, 1));

  ASSERT_EQ(1, picture.Load(bmp));
  EXPECT_FALSE(picture.isGif());
  EXPECT_EQ(QSize(5, 3), picture.pictureSize());
  EXPECT_EQ(picture.palette().color(QPalette::Button), picture.backgroundColor());
  EXPECT_EQ(1, picture.Draw());
  EXPECT_FALSE(picture.isPlaying());
  EXPECT_EQ(qRgb(10, 20, 30), pixel(picture, 0, 0));
  EXPECT_EQ(qRgb(200, 100, 50), pixel(picture, 4, 2));
  EXPECT_FALSE(observed);

  picture.Unload();
  EXPECT_FALSE(picture.isLoaded());
  EXPECT_EQ(QColor(Qt::white), picture.backgroundColor());
  EXPECT_EQ(0, picture.Draw());
}

TEST(CPictureEx, UnloadDuringAnimationStopsPromptly) {
  // Five-second frames: only the stop event can end the wait in time.
  const Bytes gif = writeGif(threeDelays(500, 500, 500));
  CPictureEx picture;
  ASSERT_EQ(1, picture.Load(gif.data(), gif.size()));
  FrameGate gate;
  picture.setFrameObserver(gate.observer());
  ASSERT_EQ(1, picture.Draw());
  ASSERT_EQ(0, gate.waitFor(1));
  gate.open();
  EXPECT_TRUE(picture.isPlaying());
  EXPECT_EQ(1, picture.Draw());  // already playing: no second thread

  const auto before = Clock::now();
  picture.Unload();
  EXPECT_LT(Clock::now() - before, 500ms);
  EXPECT_FALSE(picture.isPlaying());
  EXPECT_FALSE(picture.isLoaded());
}

TEST(CPictureEx, DisposalClearsOrRestoresTheFrameArea) {
  // 8x8: red but for the last row; a green square that restores what it
  // covered; a blue corner that clears to the background; two green dots
  // with transparent pixels between them, left in place at the end.
  GifPlan plan;
  plan.width = 8;
  plan.height = 8;
  plan.palette = {kWhite, kRed, kGreen, kBlue};
  auto dots = solidFrame(6, 6, 2, 2, 2, 0, 1);
  dots.pixels = {2, 0, 0, 2};
  dots.transparentIndex = 0;
  plan.frames = {solidFrame(0, 0, 8, 7, 1, 0, 1), solidFrame(2, 2, 4, 4, 2, 0, 3), solidFrame(0, 0, 4, 4, 3, 0, 2),
                 dots};
  const Bytes gif = writeGif(plan);

  CPictureEx picture;
  ASSERT_EQ(1, picture.Load(gif.data(), gif.size()));
  ASSERT_EQ(4, picture.frameCount());
  const QRgb bg = picture.backgroundColor().rgb();
  ASSERT_NE(rgb(kRed), bg);
  const QRgb red = rgb(kRed), green = rgb(kGreen), blue = rgb(kBlue);
  struct Pixel {
    int x, y;
    QRgb colour;
  };
  const std::vector<std::vector<Pixel>> rounds = {
      {{3, 3, red}, {0, 7, bg}},
      {{3, 3, green}, {0, 0, red}},
      {{0, 0, blue}, {5, 5, red}},  // the green square's area came back
      // The blue corner was cleared; the transparent dots show what is below.
      {{0, 0, bg}, {3, 3, bg}, {4, 4, red}, {6, 6, green}, {7, 6, red}, {6, 7, bg}, {7, 7, green}},
      {{7, 7, bg}, {6, 6, red}, {0, 0, red}},  // the next round starts from a cleared picture
  };
  picture.setTimeScale(0.01);
  FrameGate gate;
  picture.setFrameObserver(gate.observer());
  ASSERT_EQ(1, picture.Draw());
  for (size_t n = 0; n < rounds.size(); ++n) {
    ASSERT_EQ(static_cast<int>(n % 4), gate.waitFor(n + 1));
    for (const Pixel& p : rounds[n])
      EXPECT_EQ(p.colour, pixel(picture, p.x, p.y)) << "step " << n << " at " << p.x << "," << p.y;
    gate.release();
  }
  finish(picture, gate);
}

TEST(CPictureEx, StopKeepsTheFrameAndDrawResumesIt) {
  GifPlan plan;
  plan.width = 6;
  plan.height = 6;
  plan.palette = {kWhite, kRed, kGreen};
  plan.frames = {solidFrame(0, 0, 6, 6, 1, 0, 1), solidFrame(1, 1, 2, 2, 2, 0, 3), solidFrame(5, 5, 1, 1, 2)};
  const Bytes gif = writeGif(plan);
  CPictureEx picture;
  ASSERT_EQ(1, picture.Load(gif.data(), gif.size()));
  picture.setTimeScale(0.01);
  // Stop while the second frame is on screen; from the frame callback the
  // request is certain to arrive before the frame's wait ends.
  std::atomic<int> shown{0};
  picture.setFrameObserver([&](int) {
    if (++shown == 2) picture.Stop();
  });
  ASSERT_EQ(1, picture.Draw());
  const auto deadline = Clock::now() + 10s;
  while (picture.isPlaying() && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
  picture.Stop();
  EXPECT_FALSE(picture.isPlaying());
  EXPECT_EQ(1, picture.currentFrame());
  EXPECT_EQ(rgb(kGreen), pixel(picture, 1, 1));

  // Resuming must not take the frame on screen for what it covers.
  FrameGate gate;
  picture.setFrameObserver(gate.observer());
  ASSERT_EQ(1, picture.Draw());
  ASSERT_EQ(1, gate.waitFor(1));
  gate.release();
  ASSERT_EQ(2, gate.waitFor(2));
  EXPECT_EQ(rgb(kRed), pixel(picture, 1, 1));
  finish(picture, gate);
}

TEST(CPictureEx, DamagedDataIsRefusedCleanly) {
  GifPlan plan = threeDelays(1, 2, 3);
  plan.comment = "animated";
  plan.loop = true;
  const Bytes gif = writeGif(plan);
  CPictureEx picture;
  for (size_t cut = 0; cut < gif.size(); ++cut) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[cut + 1]);
    std::memcpy(exact.get(), gif.data(), cut);
    ASSERT_EQ(0, picture.Load(exact.get(), cut)) << "cut at " << cut;
    ASSERT_FALSE(picture.isLoaded());
  }
  ASSERT_EQ(1, picture.Load(gif.data(), gif.size()));

  // A failed load leaves nothing of the previous picture behind.
  const Bytes garbage = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0xF7, 0, 0};
  EXPECT_EQ(0, picture.Load(garbage.data(), garbage.size()));
  EXPECT_FALSE(picture.isLoaded());
  EXPECT_EQ(0, picture.frameCount());
  EXPECT_EQ(0, picture.Load(QByteArray("not a picture at all")));
  EXPECT_EQ(0, picture.Load(nullptr, 0));

  // A huge logical screen is refused before anything that size is allocated.
  GifPlan huge = threeDelays(1, 2, 3);
  huge.width = huge.height = 30000;
  const Bytes bomb = writeGif(huge);
  EXPECT_EQ(0, picture.Load(bomb.data(), bomb.size()));
}

TEST(CPictureEx, UndecodableFramesAreLeftOut) {
  GifPlan plan = threeDelays(7, 8, 9);
  plan.frames[1] = solidFrame(0, 0, 0, 0, 1);  // an empty frame cannot be decoded
  const Bytes gif = writeGif(plan);
  CPictureEx picture;
  ASSERT_EQ(1, picture.Load(gif.data(), gif.size()));
  ASSERT_EQ(2, picture.frameCount());
  EXPECT_EQ(7, picture.frames()[0].delay);
  EXPECT_EQ(9, picture.frames()[1].delay);

  // With a single frame left the picture is shown still.
  plan.frames[2] = solidFrame(0, 0, 0, 0, 1);
  const Bytes one = writeGif(plan);
  ASSERT_EQ(1, picture.Load(one.data(), one.size()));
  EXPECT_FALSE(picture.isAnimated());
  EXPECT_EQ(1, picture.Draw());
  EXPECT_EQ(rgb(kRed), pixel(picture, 3, 3));
}

// Draws every frame of an animation through the control, as the screen shows
// it. Returns how many frames it saw.
int paintFrames(CPictureEx& picture) {
  picture.setTimeScale(0.01);
  FrameGate gate;
  picture.setFrameObserver(gate.observer());
  if (picture.Draw() != 1) return 0;
  int seen = 0;
  for (int n = 1; n <= picture.frameCount(); ++n) {
    const int frame = gate.waitFor(static_cast<size_t>(n));
    if (frame != n - 1) break;
    const QImage shown = picture.grab().toImage();
    if (shown.size() != picture.pictureSize() || shown != picture.snapshot().convertToFormat(shown.format())) break;
    ++seen;
    gate.release();
  }
  finish(picture, gate);
  return seen;
}

TEST(CPictureEx, PaintsEachFrameOfAnAnimation) {
  // Three dots, a darker one moving from left to right.
  GifPlan plan;
  plan.width = 60;
  plan.height = 20;
  plan.palette = {0xFFFFFF, 0xC6DAF2, 0x2F6DB5};
  plan.loop = true;
  for (int k = 0; k < 4; ++k) {
    auto frame = solidFrame(0, 0, 60, 20, 0, 20);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 60; ++x)
        for (int dot = 0; dot < 3; ++dot) {
          const int dx = x - (12 + dot * 18), dy = y - 10;
          if (dx * dx + dy * dy <= 25) frame.pixels[static_cast<size_t>(y * 60 + x)] = dot == k ? 2 : 1;
        }
    plan.frames.push_back(frame);
  }
  const Bytes gif = writeGif(plan);
  CPictureEx picture;
  ASSERT_EQ(1, picture.Load(gif.data(), gif.size()));
  EXPECT_EQ(4, paintFrames(picture));
}

TEST(CPictureEx, PlaysTheSignInAnimation) {
  if (ResourceLoader::gif(CPictureEx::kSignInAnimation).isEmpty()) GTEST_SKIP() << "animation not compiled in";
  CPictureEx picture;
  ASSERT_EQ(1, picture.Load(CPictureEx::kSignInAnimation));
  EXPECT_TRUE(picture.isAnimated());
  EXPECT_EQ(picture.frameCount(), paintFrames(picture));
  EXPECT_EQ(0, picture.Load(99999));
}

}  // namespace
}  // namespace kiv
