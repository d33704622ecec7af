#include "profile/ProfileAvatar.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <optional>

#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "platform/qtcore/UiThreadCall.h"
#include "skin/ResourceLoader.h"
#include "avatars/CHttpSendData.h"
#include "avatars/AvatarImage.h"

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

ProfileAvatar::~ProfileAvatar() = default;

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
  const std::int32_t id = id_;
  // The cache holds the new picture whether or not the host takes it, so
  // every view shows it from now on.
  QImage picture = chosen_;
  defaultAvatarService().cachePicture(session_.model.self().userId, picture, id, group_);
  session_.model.announceAvatar(id, group_);
  ++uploading_;
  QPointer<ProfileAvatar> self(this);
  defaultAvatarService().uploadLater(
      id, group_, path_, {session_.login.phone, session_.login.password}, [self, id](int status) {
        // Told on the UI thread, and not at all once the window is gone.
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) return;
        postToThreadOf(app, [self, id, status] {
          if (self) self->finishUpload(id, status == CHttpSendData::kSent);
        });
      });
  return true;
}

void ProfileAvatar::finishUpload(std::int32_t id, bool ok) {
  --uploading_;
  emit uploaded(id, ok);
}

}  // namespace kiv
