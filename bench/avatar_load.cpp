// How long LoadAvatar holds its caller, and how long the downloads take to
// settle, for 4,000 distinct avatars (two hundred friends and ten full groups
// of members) when the web host accepts connections but never answers, and
// for the same avatars once cached. Production time-outs throughout.
//
//   bench_avatar_load [COUNT]
#include <sys/socket.h>
#include <unistd.h>

#include <QImage>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/TcpSocket.h"
#include "avatars/AvatarPaths.h"
#include "avatars/AvatarService.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A socket on 127.0.0.1 that listens and never accepts: connections complete
// in the kernel's backlog and then hear nothing.
int silentListener(std::uint16_t& port) {
  return kiv::TcpSocket::listenOnLoopback(1, port);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 4000;
  const std::string home = std::filesystem::temp_directory_path() / ("kiv-bench-avatar-" + std::to_string(::getpid()));
  std::filesystem::create_directories(home);
  setenv("KIV_HOME", home.c_str(), 1);
  constexpr int kOwn = 5000;

  std::uint16_t port = 0;
  const int listener = silentListener(port);
  QImage fallback(20, 20, QImage::Format_RGB32);
  fallback.fill(Qt::gray);

  std::atomic<int> settled{0};
  {
    kiv::AvatarService::Options options;  // 3 workers, 3 s connect, 10 s total, 30 s back-off
    options.web = kiv::Endpoint{"127.0.0.1", port};
    kiv::AvatarService service(options);

    const auto start = Clock::now();
    double slowest = 0;
    for (int i = 0; i < count; ++i) {
      const auto one = Clock::now();
      service.load(kOwn, 10000 + i, i % 20 == 0, 20, fallback, [&](const QImage&) { ++settled; });
      slowest = std::max(slowest, msSince(one));
    }
    const double callerMs = msSince(start);
    std::printf("silent host: %d LoadAvatar calls took %.1f ms for the caller (%.2f us each, slowest %.2f ms)\n", count,
                callerMs, callerMs * 1000 / count, slowest);
    while (settled.load() < count && msSince(start) < 120000)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::printf("silent host: all %d downloads given up after %.1f s (%d reported)\n", count, msSince(start) / 1000,
                settled.load());
  }
  ::close(listener);

  // The same number of avatars from the cache.
  QImage cached(70, 70, QImage::Format_RGB32);
  cached.fill(Qt::darkCyan);
  for (int i = 0; i < count; ++i)
    cached.save(QString::fromStdString(kiv::avatar::cacheFile(kOwn, 10000 + i, false)), "BMP");
  {
    kiv::AvatarService service;
    const auto start = Clock::now();
    int shown = 0;
    for (int i = 0; i < count; ++i) shown += service.load(kOwn, 10000 + i, false, 20, fallback).pending ? 0 : 1;
    const double ms = msSince(start);
    std::printf("cached: %d LoadAvatar calls took %.1f ms (%.1f us each), %d from the cache\n", count, ms,
                ms * 1000 / count, shown);
  }
  std::filesystem::remove_all(home);
  return 0;
}
