#include "avatars/AvatarService.h"

#include <curl/curl.h>

#include <QFile>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "avatars/CHttpSendData.h"
#include "avatars/CurlGlobal.h"
#include "avatars/AvatarImage.h"
#include "avatars/AvatarPaths.h"
#include "avatars/AvatarPicture.h"

namespace kiv {

namespace {

namespace fs = std::filesystem;

// Collects a download in memory, up to the cap: a bigger answer breaks the
// transfer off (0 tells libcurl so), whatever length it announced or not.
std::size_t collectCapped(char* data, std::size_t size, std::size_t count, void* buffer) {
  auto* bytes = static_cast<QByteArray*>(buffer);
  const std::size_t n = size * count;
  if (static_cast<qint64>(n) > avatar::kMaxDownloadBytes - bytes->size()) return 0;
  bytes->append(data, static_cast<qsizetype>(n));
  return n;
}

int abortWhenStopping(void* pool, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<AvatarWorkerPool*>(pool)->stopping() ? 1 : 0;
}

QImage loadBmp(const std::string& path) {
  // Most calls ask for avatars not yet cached; a plain look at the file
  // system is far cheaper than letting the image reader find out.
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return {};
  return QImage(QString::fromStdString(path), "BMP");
}

// Writes a picture beside `path` under a name of its own; empty on failure.
std::string saveTemporary(const QImage& picture, const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::string temporary = path + "." + std::to_string(++counter) + ".part";
  if (picture.save(QString::fromStdString(temporary), "BMP")) return temporary;
  std::remove(temporary.c_str());
  return {};
}

}  // namespace

AvatarService::AvatarService() : AvatarService(Options{}) {}

AvatarService::AvatarService(Options options) : options_(std::move(options)), pool_(options_.workers), uploads_(1) {
  curl::initOnce();
}

AvatarService::~AvatarService() {
  uploads_.stop();
  pool_.stop();
}

void AvatarService::setWeb(const Endpoint& web) {
  std::lock_guard lock(mutex_);
  options_.web = web;
}

void AvatarService::setDefaultPictures(std::function<QImage(bool group)> provider) {
  std::lock_guard lock(mutex_);
  defaults_ = std::move(provider);
}

AvatarLoad AvatarService::load(int ownUserId, int id, bool group, int size, const QImage& fallback, AvatarReady ready) {
  const int side = avatar::drawSize(size);
  const QImage cached = loadBmp(avatar::cacheFile(ownUserId, id, group));
  if (!cached.isNull()) return {scaleAvatar(cached, side), false};

  AvatarLoad result;
  QImage standIn = fallback;
  {
    std::lock_guard lock(mutex_);
    if (standIn.isNull() && defaults_) standIn = defaults_(group);
  }
  if (!standIn.isNull()) result.picture = scaleAvatar(standIn, side);
  if (id <= 0) return result;  // nobody has that number; nothing to fetch

  const Key key{ownUserId, id, group};
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    auto& waiters = waiting_[key];
    first = waiters.empty();
    waiters.push_back({side, std::move(ready)});
  }
  // A second request for an avatar already on its way only waits for it.
  if (first) pool_.post([this, key] { fetch(key); });
  result.pending = true;
  return result;
}

void AvatarService::fetch(Key key) {
  const auto [ownUserId, id, group] = key;
  const std::string bmpPath = avatar::cacheFile(ownUserId, id, group);
  if (bmpPath.empty()) {  // no program directory: no cache to fill
    finish(key, QImage());
    return;
  }
  std::error_code error;
  fs::create_directories(avatar::cacheDirectory(ownUserId), error);

  // A file that is there but unreadable is replaced; otherwise a picture
  // that appears while we download (an upload) is newer than ours. Looked
  // for before reading: a picture uploaded between the two would otherwise
  // count as unreadable and be overwritten with the old one.
  const bool present = fs::exists(bmpPath, error);
  QImage picture = loadBmp(bmpPath);
  const bool replace = picture.isNull() && present;
  if (picture.isNull()) {
    Endpoint web;
    bool hostDown = false;
    {
      std::lock_guard lock(mutex_);
      web = options_.web;
      hostDown = std::chrono::steady_clock::now() < unreachableUntil_;
    }
    // The download stays in memory: only a picture that decoded is ever
    // written, as the BMP.
    const std::string url = "http://" + web.host + ":" + std::to_string(web.port) + "/" + avatar::webPath(id, group);
    QByteArray bytes;
    if (!hostDown && download(url, bytes)) {
      const QImage downloaded = avatar::decodePicture(bytes);
      if (!downloaded.isNull()) {
        const QImage fitted = scaleAvatar(downloaded, avatar::kCachedSize);
        if (store(fitted, bmpPath, replace)) picture = loadBmp(bmpPath);
      }
    }
  }
  finish(key, picture);
}

bool AvatarService::download(const std::string& url, QByteArray& bytes) {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return false;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);  // a 404 page is no avatar
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectCapped);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeout.count()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(options_.totalTimeout.count()));
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenStopping);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &pool_);
  const CURLcode code = curl_easy_perform(curl);
  curl_easy_cleanup(curl);

  // Unreachable, or connected but silent: spare the queued downloads the
  // same wait for a while.
  const bool hostDown =
      code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_OPERATION_TIMEDOUT;
  if (hostDown && !pool_.stopping()) {
    std::lock_guard lock(mutex_);
    unreachableUntil_ = std::chrono::steady_clock::now() + options_.unreachableBackoff;
  }
  return code == CURLE_OK;
}

bool AvatarService::store(const QImage& picture, const std::string& path, bool replace) {
  const std::string temporary = saveTemporary(picture, path);
  if (temporary.empty()) return false;
  std::error_code error;
  {
    // Readers never see half a file under the cache name, and the check for
    // a newer picture and the rename are one step.
    std::lock_guard lock(cacheWrite_);
    if (replace || !fs::exists(path, error)) fs::rename(temporary, path, error);
  }
  std::remove(temporary.c_str());  // left only when it was not wanted
  return !error;
}

void AvatarService::finish(const Key& key, const QImage& cached) {
  std::vector<Waiter> waiters;
  {
    std::lock_guard lock(mutex_);
    auto it = waiting_.find(key);
    if (it == waiting_.end()) return;
    waiters = std::move(it->second);
    waiting_.erase(it);
  }
  if (pool_.stopping()) return;
  for (auto& waiter : waiters) {
    if (waiter.ready) waiter.ready(cached.isNull() ? QImage() : scaleAvatar(cached, waiter.size));
  }
}

void AvatarService::purge(int ownUserId) {
  const std::string keep = avatar::ownFileName(ownUserId);
  std::error_code error;
  for (fs::directory_iterator it(avatar::cacheDirectory(ownUserId), error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    const std::string name = it->path().filename().string();
    if (name.size() < 4) continue;
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".bmp" || name == keep) continue;
    std::error_code ignored;
    fs::remove(it->path(), ignored);
  }
}

void AvatarService::cachePicture(int ownUserId, QImage& bitmap, int id, bool group) {
  const std::string path = avatar::cacheFile(ownUserId, id, group);
  if (!bitmap.isNull() && !path.empty()) {
    std::error_code error;
    fs::create_directories(avatar::cacheDirectory(ownUserId), error);
    store(scaleAvatar(bitmap, avatar::kCachedSize), path, true);
  }
  bitmap = QImage();
}

int AvatarService::upload(int ownUserId, QImage& bitmap, int id, bool group, const QString& path,
                          const AvatarUploadLogin& login, int* sendStatus) {
  cachePicture(ownUserId, bitmap, id, group);
  const int status = send(id, group, path, login);
  if (sendStatus != nullptr) *sendStatus = status;
  return status == CHttpSendData::kSent ? 1 : 0;
}

void AvatarService::uploadLater(int id, bool group, const QString& path, const AvatarUploadLogin& login,
                                std::function<void(int status)> done) {
  uploads_.post([this, id, group, path, login, done = std::move(done)] {
    const int status = send(id, group, path, login);
    if (done && !uploads_.stopping()) done(status);
  });
}

int AvatarService::send(int id, bool group, const QString& path, const AvatarUploadLogin& login) {
  Endpoint web;
  {
    std::lock_guard lock(mutex_);
    web = options_.web;
  }
  CHttpSendData form;
  form.setHost(web.host);
  form.setPort(web.port);
  form.setPath("upload/pc_img_add.jsp");
  form.AddTextField("Crypt", "10");
  form.AddTextField("type", "200");
  form.AddTextField("loginuser", login.phone);
  form.AddTextField("loginpwd", login.password);
  form.AddNumberField("changid", id);
  form.AddNumberField("isgroup", group ? 1 : 0);
  // A program that ends does not wait for a slow host.
  form.setCancel([this] { return uploads_.stopping(); });
  return form.Send(QFile::encodeName(path).toStdString());
}

AvatarService& defaultAvatarService() {
  static AvatarService service;
  return service;
}

}  // namespace kiv
