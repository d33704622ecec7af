#pragma once

#include <QImage>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Endpoint.h"
#include "avatars/AvatarWorkerPool.h"

namespace kiv {

// Told when a queued avatar has been fetched: the picture at the draw size,
// or a null image when none could be had (no avatar on the server, web host
// unreachable, undecodable picture). Runs on a worker thread.
using AvatarReady = std::function<void(const QImage& picture)>;

// What LoadAvatar gives the caller at once.
struct AvatarLoad {
  // To show now, at the draw size: the cached avatar, else the default
  // picture; null when there is neither.
  QImage picture;
  // True when the avatar is being fetched and `ready` will be called.
  bool pending = false;
};

// The sign-in texts the upload form carries.
struct AvatarUploadLogin {
  std::string phone;     // GBK, as typed at sign-in
  std::string password;  // GBK, as typed at sign-in
};

// Avatars of the signed-in account: the BMP cache, the download from the web
// host, the upload of a new picture. A download is at most
// avatar::kMaxDownloadBytes and must be a JPEG, PNG or GIF (told by its
// content); anything else leaves nothing behind.
//
// Downloads and conversions run on a small worker pool so that a slow or
// absent web host never freezes a window: the caller gets the cached picture
// (or the default one) at once and is told when the real one arrives. After a
// download fails because the host cannot be reached, the following downloads
// fail at once for a short while instead of each waiting out its time-out.
// Nothing is ever left under a cache name unless it is a complete picture; a
// failed download is tried again the next time the avatar is asked for.
class AvatarService {
 public:
  struct Options {
    Endpoint web = webEndpoint();
    int workers = 3;
    std::chrono::milliseconds connectTimeout{3000};
    std::chrono::milliseconds totalTimeout{10000};
    std::chrono::milliseconds unreachableBackoff{30000};
  };

  AvatarService();
  explicit AvatarService(Options options);
  ~AvatarService();  // drops queued downloads and aborts running ones
  AvatarService(const AvatarService&) = delete;
  AvatarService& operator=(const AvatarService&) = delete;

  const Options& options() const { return options_; }
  void setWeb(const Endpoint& web);

  // The picture used when there is no cached avatar and the caller passed
  // none (the skin's pictures are not known down here).
  void setDefaultPictures(std::function<QImage(bool group)> provider);

  // The avatar of user or group `id` as seen by account `ownUserId`, drawn at
  // avatar::drawSize(size), stretched without smoothing. See AvatarLoad.
  AvatarLoad load(int ownUserId, int id, bool group, int size, const QImage& fallback = {}, AvatarReady ready = {});

  // Deletes every cached *.bmp of the account but the own "<ownUserId>.bmp".
  void purge(int ownUserId);

  // Caches `bitmap` as the avatar of `id` at once (the caller's bitmap is
  // released: reload with load()).
  void cachePicture(int ownUserId, QImage& bitmap, int id, bool group);

  // cachePicture, then posts the file at `path` with the upload form.
  // Returns 1 when the web host answered 200, else 0; *sendStatus gets the
  // CHttpSendData status. Blocks until the exchange ends.
  int upload(int ownUserId, QImage& bitmap, int id, bool group, const QString& path, const AvatarUploadLogin& login,
             int* sendStatus = nullptr);

  // Posts the file at `path` with the upload form on a thread of the
  // service's, one upload after the other in the order asked, and returns at
  // once. `done` gets the CHttpSendData status there, unless the service is
  // going away (running uploads are then broken off).
  void uploadLater(int id, bool group, const QString& path, const AvatarUploadLogin& login,
                   std::function<void(int status)> done);

  // Downloads queued or running.
  std::size_t backlog() const { return pool_.backlog(); }

 private:
  using Key = std::tuple<int, int, bool>;
  struct Waiter {
    int size;
    AvatarReady ready;
  };

  void fetch(Key key);
  // Downloads into `bytes`; true on a complete 200 answer of at most
  // avatar::kMaxDownloadBytes.
  bool download(const std::string& url, QByteArray& bytes);
  // The upload form's exchange; its CHttpSendData status.
  int send(int id, bool group, const QString& path, const AvatarUploadLogin& login);
  void finish(const Key& key, const QImage& cached);
  // Puts `picture` under the cache name `path`; unless `replace`, a file
  // that is there already wins. True when `path` holds a picture after.
  bool store(const QImage& picture, const std::string& path, bool replace);

  Options options_;
  std::function<QImage(bool)> defaults_;
  mutable std::mutex mutex_;
  std::mutex cacheWrite_;
  std::map<Key, std::vector<Waiter>> waiting_;
  std::chrono::steady_clock::time_point unreachableUntil_{};
  AvatarWorkerPool pool_;     // last two: stopped and joined before the rest goes
  AvatarWorkerPool uploads_;  // one thread: uploads in the order asked
};

// The process-wide service the free functions use.
AvatarService& defaultAvatarService();

}  // namespace kiv
