#include "chat/ProfileAvatar.h"

#include <QFileDialog>
#include <QLabel>
#include <QPixmap>
#include <optional>

#include "contacts/model/ClientSession.h"
#include "contacts/model/ContactModel.h"
#include "platform/qtcore/UiThreadCall.h"
#include "skin/ResourceLoader.h"
#include "storage/avatar/AvatarImage.h"

namespace kiv {

namespace {

constexpr int kSize = 70;
constexpr int kDefaultUser = 149;
constexpr int kDefaultGroup = 240;

std::optional<QString> askForFile(const QString& filter) {
  const QString path = QFileDialog::getOpenFileName(nullptr, QString(), QString(), filter);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

}  // namespace

ProfileAvatar::ProfileAvatar(ClientSession& session, QLabel* picture, bool group, QObject* parent)
    : QObject(parent), session_(session), label_(picture), group_(group), chooser_(askForFile) {
  display(defaultPicture());
}

ProfileAvatar::~ProfileAvatar() {
  joinUpload();
}

QImage ProfileAvatar::defaultPicture() const {
  return scaleAvatar(ResourceLoader::bitmapImage(group_ ? kDefaultGroup : kDefaultUser), kSize);
}

void ProfileAvatar::display(const QImage& picture) {
  label_->setPixmap(QPixmap::fromImage(picture));
}

void ProfileAvatar::show(std::int32_t id) {
  id_ = id;
  changed_ = false;
  chosen_ = QImage();
  path_.clear();
  const unsigned generation = ++generation_;
  const AvatarLoad load = LoadAvatar(session_.model.self().userId, id, group_, kSize, defaultPicture(),
                                     onUiThread(this, [this, generation](const QImage& picture) {
                                       // Shown meanwhile: another number, or a picture the user chose.
                                       if (generation != generation_ || changed_ || picture.isNull()) return;
                                       display(picture);
                                     }));
  display(load.picture.isNull() ? defaultPicture() : load.picture);
}

bool ProfileAvatar::choose() {
  QImage picture;
  QString path;
  if (ChooseAvatarImage(picture, path, chooser_) != 1) return false;
  chosen_ = picture;
  path_ = path;
  changed_ = true;
  display(chosen_);
  return true;
}

bool ProfileAvatar::uploadIfChanged() {
  if (!changed_) return false;
  changed_ = false;
  joinUpload();  // one upload at a time; the earlier one has mostly ended
  const int own = session_.model.self().userId;
  const std::int32_t id = id_;
  const bool group = group_;
  const AvatarUploadLogin login{session_.login.phone, session_.login.password};
  uploadDone_ = false;
  upload_ = std::thread([this, own, id, group, login, picture = chosen_, path = path_]() mutable {
    const bool ok = UploadAvatar(own, picture, id, group, path, login) == 1;
    // The object outlives the thread (its destructor joins it); a queued call
    // still waiting when it goes is dropped with it.
    postToThreadOf(this, [this, id, ok] { finishUpload(id, ok); });
    uploadDone_ = true;
  });
  return true;
}

void ProfileAvatar::finishUpload(std::int32_t id, bool ok) {
  // The cache holds the new picture whether or not the host took it.
  if (id == id_ && !changed_) {
    const AvatarLoad load = LoadAvatar(session_.model.self().userId, id, group_, kSize, defaultPicture());
    if (!load.picture.isNull()) display(load.picture);
  }
  session_.model.announceAvatar(id, group_);
  emit uploaded(id, ok);
}

void ProfileAvatar::joinUpload() {
  if (upload_.joinable()) upload_.join();
}

}  // namespace kiv
