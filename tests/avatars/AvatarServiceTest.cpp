#include "avatars/AvatarService.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "avatars/LocalHttpServer.h"
#include "avatars/AvatarPaths.h"
#include "avatars/AvatarPicture.h"
#include "support/TempDir.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kOwn = 5000;

// A 100 x 50 JPEG: left half red, right half blue.
std::string redBlueJpeg() {
  QImage picture(100, 50, QImage::Format_RGB32);
  picture.fill(Qt::red);
  for (int y = 0; y < 50; ++y)
    for (int x = 50; x < 100; ++x) picture.setPixel(x, y, qRgb(0, 0, 255));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "JPEG", 95);
  return bytes.toStdString();
}

QImage solid(int side, QRgb colour) {
  QImage picture(side, side, QImage::Format_RGB32);
  picture.fill(colour);
  return picture;
}

// Collects the ready calls of a test.
struct Arrivals {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<QImage> pictures;

  AvatarReady sink() {
    return [this](const QImage& picture) {
      std::lock_guard lock(mutex);
      pictures.push_back(picture);
      changed.notify_all();
    };
  }
  bool waitFor(std::size_t count, std::chrono::milliseconds limit = 5s) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, limit, [&] { return pictures.size() >= count; });
  }
};

class AvatarServiceTest : public ::testing::Test {
 protected:
  test::TempDir home{"kiv-avatar"};
  test::ScopedEnv env{"KIV_HOME", home.path().c_str()};
  const std::string jpeg = redBlueJpeg();
  const std::string bmp = [] {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    solid(20, qRgb(9, 9, 9)).save(&buffer, "BMP");
    return bytes.toStdString();
  }();

  AvatarService::Options optionsFor(std::uint16_t port) {
    AvatarService::Options options;
    options.web = Endpoint{"127.0.0.1", port};
    options.connectTimeout = 2000ms;
    options.totalTimeout = 3000ms;
    options.unreachableBackoff = 0ms;
    return options;
  }
  static bool exists(const std::string& path) { return fs::exists(path); }
  std::vector<std::string> cacheListing() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(avatar::cacheDirectory(kOwn), error))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(AvatarServiceTest, CachedAvatarIsDrawnAtOnceWithoutTheNetwork) {
  fs::create_directories(avatar::cacheDirectory(kOwn));
  ASSERT_TRUE(solid(70, qRgb(10, 200, 30)).save(QString::fromStdString(avatar::cacheFile(kOwn, 42, false)), "BMP"));
  test::LocalHttpServer server([](const test::HttpRequest&) { return test::HttpReply{500, ""}; });
  AvatarService service(optionsFor(server.port()));
  Arrivals arrivals;

  for (const auto& [size, drawn] : std::vector<std::pair<int, int>>{{70, 70}, {40, 40}, {55, 20}, {20, 20}, {0, 20}}) {
    const AvatarLoad load = service.load(kOwn, 42, false, size, solid(9, Qt::black), arrivals.sink());
    EXPECT_FALSE(load.pending);
    ASSERT_EQ(load.picture.size(), QSize(drawn, drawn)) << size;
    EXPECT_EQ(load.picture.pixel(drawn / 2, drawn / 2), qRgb(10, 200, 30));
  }
  EXPECT_EQ(server.requestCount(), 0);
  EXPECT_TRUE(arrivals.pictures.empty());
}

TEST_F(AvatarServiceTest, DownloadIsConvertedToA70PixelBmpAndTheJpegDeleted) {
  test::LocalHttpServer server([&](const test::HttpRequest& request) {
    return request.target == "/upload/group/77.jpg" ? test::HttpReply{200, jpeg} : test::HttpReply{404, "nope"};
  });
  AvatarService service(optionsFor(server.port()));
  Arrivals arrivals;

  const AvatarLoad load = service.load(kOwn, 77, true, 55, solid(30, qRgb(1, 2, 3)), arrivals.sink());
  EXPECT_TRUE(load.pending);
  ASSERT_EQ(load.picture.size(), QSize(20, 20));  // the default picture meanwhile, at the draw size
  EXPECT_EQ(load.picture.pixel(0, 0), qRgb(1, 2, 3));

  ASSERT_TRUE(arrivals.waitFor(1));
  const QImage arrived = arrivals.pictures[0];
  ASSERT_EQ(arrived.size(), QSize(20, 20));
  // Stretched, not letterboxed: red on the left edge, blue on the right.
  EXPECT_GT(qRed(arrived.pixel(1, 10)), 200);
  EXPECT_GT(qBlue(arrived.pixel(18, 10)), 200);

  EXPECT_EQ(cacheListing(), std::vector<std::string>{"g77.bmp"});
  const QImage cached(QString::fromStdString(avatar::cacheFile(kOwn, 77, true)), "BMP");
  EXPECT_EQ(cached.size(), QSize(70, 70));

  // From now on it comes from the cache.
  const AvatarLoad again = service.load(kOwn, 77, true, 70);
  EXPECT_FALSE(again.pending);
  EXPECT_EQ(again.picture.size(), QSize(70, 70));
  EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(AvatarServiceTest, FailedOversizedAndForeignDownloadsLeaveNoFileAndAreTriedAgainLater) {
  std::atomic<int> mode{0};
  test::LocalHttpServer server([&](const test::HttpRequest&) {
    switch (mode.load()) {
      case 0:
        return test::HttpReply{404, "no avatar"};
      case 1: {
        test::HttpReply cut{200, jpeg.substr(0, jpeg.size() / 2)};
        cut.announce = jpeg.size();  // breaks off half-way
        return cut;
      }
      case 2:
        return test::HttpReply{200, "<html>not a picture</html>"};
      case 3:  // a good picture with gigabytes behind it, cut short here
        return test::HttpReply{200, jpeg + std::string(avatar::kMaxDownloadBytes, '\0')};
      case 4:  // a picture, but of no format an avatar comes in
        return test::HttpReply{200, bmp};
      default:
        return test::HttpReply{200, jpeg};
    }
  });
  AvatarService service(optionsFor(server.port()));
  Arrivals arrivals;
  constexpr int kRounds = 6;
  for (int round = 0; round < kRounds; ++round) {
    mode = round;
    const AvatarLoad load = service.load(kOwn, 9, false, 40, {}, arrivals.sink());
    EXPECT_TRUE(load.pending) << round;
    EXPECT_TRUE(load.picture.isNull());
    ASSERT_TRUE(arrivals.waitFor(round + 1)) << round;
    if (round < kRounds - 1) {
      EXPECT_TRUE(arrivals.pictures.back().isNull()) << round;
      EXPECT_EQ(cacheListing(), std::vector<std::string>{}) << round;
    }
  }
  EXPECT_EQ(arrivals.pictures.back().size(), QSize(40, 40));
  EXPECT_EQ(cacheListing(), std::vector<std::string>{"9.bmp"});
  EXPECT_EQ(server.requestCount(), kRounds);
}

TEST_F(AvatarServiceTest, RequestsForOneAvatarShareOneDownload) {
  std::mutex gate;
  gate.lock();  // hold the first answer until every request is queued
  test::LocalHttpServer server([&](const test::HttpRequest&) {
    std::lock_guard hold(gate);
    return test::HttpReply{200, jpeg};
  });
  AvatarService service(optionsFor(server.port()));
  Arrivals arrivals;
  service.load(kOwn, 3, false, 70, {}, arrivals.sink());
  service.load(kOwn, 3, false, 40, {}, arrivals.sink());
  service.load(kOwn, 3, false, 20, {}, arrivals.sink());
  gate.unlock();
  ASSERT_TRUE(arrivals.waitFor(3));
  std::vector<int> sides;
  for (const auto& picture : arrivals.pictures) sides.push_back(picture.width());
  std::sort(sides.begin(), sides.end());
  EXPECT_EQ(sides, (std::vector<int>{20, 40, 70}));
  EXPECT_EQ(server.requestCount(), 1);
}

// The user saves a new picture while the old one is still being downloaded:
// the download must not put the old picture back over the new one.
TEST_F(AvatarServiceTest, UploadDuringADownloadKeepsTheNewPicture) {
  std::mutex gate;
  gate.lock();
  test::LocalHttpServer server([&](const test::HttpRequest& request) {
    if (request.method == "POST") return test::HttpReply{200, ""};
    std::lock_guard hold(gate);  // the download stalls until the upload is done
    return test::HttpReply{200, jpeg};
  });
  AvatarService service(optionsFor(server.port()));
  Arrivals arrivals;
  EXPECT_TRUE(service.load(kOwn, kOwn, false, 70, {}, arrivals.sink()).pending);

  const std::string chosen = home.file("new.png");
  ASSERT_TRUE(solid(70, qRgb(0, 200, 0)).save(QString::fromStdString(chosen), "PNG"));
  QImage bitmap = solid(70, qRgb(0, 200, 0));
  std::thread uploader([&] { service.upload(kOwn, bitmap, kOwn, false, QString::fromStdString(chosen), {}); });
  while (!fs::exists(avatar::cacheFile(kOwn, kOwn, false))) std::this_thread::sleep_for(1ms);
  gate.unlock();
  uploader.join();

  ASSERT_TRUE(arrivals.waitFor(1));
  EXPECT_EQ(arrivals.pictures[0].pixel(35, 35), qRgb(0, 200, 0));
  EXPECT_EQ(service.load(kOwn, kOwn, false, 70).picture.pixel(35, 35), qRgb(0, 200, 0));
  EXPECT_EQ(cacheListing(), std::vector<std::string>{"5000.bmp"});
}

// A web host that accepts and then says nothing: the caller is never held,
// the download gives up after its time-out, and shutting the service down
// does not wait for it.
TEST_F(AvatarServiceTest, SilentHostNeitherBlocksTheCallerNorTheShutdown) {
  test::HttpReply silent;
  silent.silent = true;
  test::LocalHttpServer server([&](const test::HttpRequest&) { return silent; });
  {
    auto options = optionsFor(server.port());
    options.totalTimeout = 200ms;
    AvatarService service(options);
    Arrivals arrivals;
    const auto start = std::chrono::steady_clock::now();
    service.load(kOwn, 1, false, 20, {}, arrivals.sink());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    ASSERT_TRUE(arrivals.waitFor(1));
    EXPECT_TRUE(arrivals.pictures[0].isNull());
    EXPECT_EQ(cacheListing(), std::vector<std::string>{});
  }
  auto options = optionsFor(server.port());
  options.totalTimeout = 60s;
  auto service = std::make_unique<AvatarService>(options);
  Arrivals arrivals;
  for (int id = 1; id <= 20; ++id) service->load(kOwn, id, false, 20, {}, arrivals.sink());
  while (server.requestCount() == 0) std::this_thread::sleep_for(5ms);
  const auto start = std::chrono::steady_clock::now();
  service.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_TRUE(arrivals.pictures.empty());  // dropped, not reported as missing
  EXPECT_EQ(cacheListing(), std::vector<std::string>{});
}

// After one download timed out, the queued ones do not each wait out the
// same time-out: they fail at once and are tried again on a later request.
TEST_F(AvatarServiceTest, SilentHostFailsTheQueuedDownloadsQuickly) {
  test::HttpReply silent;
  silent.silent = true;
  test::LocalHttpServer server([&](const test::HttpRequest&) { return silent; });
  auto options = optionsFor(server.port());
  options.workers = 1;
  options.totalTimeout = 300ms;
  options.unreachableBackoff = 60s;
  AvatarService service(options);
  Arrivals arrivals;
  const auto start = std::chrono::steady_clock::now();
  for (int id = 1; id <= 50; ++id) service.load(kOwn, id, false, 20, {}, arrivals.sink());
  ASSERT_TRUE(arrivals.waitFor(50));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // not 50 x 300 ms
  for (const auto& picture : arrivals.pictures) EXPECT_TRUE(picture.isNull());
  EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(AvatarServiceTest, DefaultPictureProviderStandsInWhenTheCallerHasNone) {
  test::LocalHttpServer server([](const test::HttpRequest&) { return test::HttpReply{404, ""}; });
  AvatarService service(optionsFor(server.port()));
  service.setDefaultPictures([](bool group) { return solid(8, group ? qRgb(0, 0, 240) : qRgb(0, 148, 0)); });
  EXPECT_EQ(service.load(kOwn, 4, false, 40).picture.pixel(0, 0), qRgb(0, 148, 0));
  EXPECT_EQ(service.load(kOwn, 4, true, 40).picture.pixel(39, 39), qRgb(0, 0, 240));
  // A caller's own picture wins.
  EXPECT_EQ(service.load(kOwn, 4, true, 40, solid(8, qRgb(7, 7, 7))).picture.pixel(0, 0), qRgb(7, 7, 7));
}

TEST_F(AvatarServiceTest, PurgeKeepsOnlyTheOwnAvatar) {
  const std::string dir = avatar::cacheDirectory(kOwn);
  fs::create_directories(dir + "/sub.bmp");
  for (const char* name : {"5000.bmp", "5001.bmp", "g5000.bmp", "g1.bmp", "5000.BMP", "x.Bmp", "notes.txt", "5000.jpg"})
    std::ofstream(dir + "/" + name) << "x";
  AvatarService service(optionsFor(1));
  service.purge(kOwn);
  EXPECT_EQ(cacheListing(), (std::vector<std::string>{"5000.bmp", "5000.jpg", "notes.txt", "sub.bmp"}));
  service.purge(4242);  // an account without a cache directory
}

TEST_F(AvatarServiceTest, UploadCachesThePictureAndPostsTheChosenFile) {
  std::atomic<int> status{200};
  test::LocalHttpServer server([&](const test::HttpRequest&) { return test::HttpReply{status.load(), "ok"}; });
  AvatarService service(optionsFor(server.port()));
  const std::string chosen = home.file("me.jpg");
  std::ofstream(chosen, std::ios::binary) << jpeg;

  QImage bitmap = solid(70, qRgb(90, 60, 30));
  int sendStatus = 0;
  EXPECT_EQ(
      service.upload(kOwn, bitmap, 31, true, QString::fromStdString(chosen), {"13900000000", "secret"}, &sendStatus),
      1);
  EXPECT_EQ(sendStatus, 100);
  EXPECT_TRUE(bitmap.isNull());
  const AvatarLoad cached = service.load(kOwn, 31, true, 70);
  EXPECT_FALSE(cached.pending);
  EXPECT_EQ(cached.picture.pixel(35, 35), qRgb(90, 60, 30));

  const auto request = server.requests().at(0);
  EXPECT_EQ(request.target, "/upload/pc_img_add.jsp");
  const auto at = [&](const std::string& text) { return request.body.find(text); };
  ASSERT_NE(at("name=\"loginuser\"\r\n\r\n13900000000\r\n"), std::string::npos);
  EXPECT_LT(at("name=\"Crypt\"\r\n\r\n10\r\n"), at("name=\"type\"\r\n\r\n200\r\n"));
  EXPECT_LT(at("name=\"type\""), at("name=\"loginuser\""));
  EXPECT_LT(at("name=\"loginuser\""), at("name=\"loginpwd\"\r\n\r\nsecret\r\n"));
  EXPECT_LT(at("name=\"loginpwd\""), at("name=\"changid\"\r\n\r\n31\r\n"));
  EXPECT_LT(at("name=\"changid\""), at("name=\"isgroup\"\r\n\r\n1\r\n"));
  EXPECT_NE(at("filename=\"" + chosen + "\"\r\nContent-Type: image/pjpeg\r\n\r\n" + jpeg + "\r\n"), std::string::npos);

  status = 500;
  QImage second = solid(70, qRgb(1, 1, 1));
  EXPECT_EQ(service.upload(kOwn, second, kOwn, false, QString::fromStdString(chosen), {}, &sendStatus), 0);
  EXPECT_EQ(sendStatus, 104);
  EXPECT_TRUE(fs::exists(avatar::cacheFile(kOwn, kOwn, false)));  // cached all the same
}

}  // namespace
}  // namespace kiv
