#include "mainwindow/RowAvatars.h"

#include <QPointer>

#include "skin/ResourceLoader.h"
#include "avatars/Avatars.h"

namespace kiv {

RowAvatars::RowAvatars(std::function<std::int32_t()> ownUserId, QObject* parent)
    : QObject(parent), ownUserId_(std::move(ownUserId)) {}

const QImage& RowAvatars::defaultPicture(bool group) {
  static const QImage user = scaleAvatar(ResourceLoader::bitmapImage(148), kSize);
  static const QImage groupPicture = scaleAvatar(ResourceLoader::bitmapImage(240), kSize);
  return group ? groupPicture : user;
}

const QImage& RowAvatars::picture(std::int32_t id, bool group) {
  const Key key{id, group};
  const auto found = pictures_.find(key);
  if (found != pictures_.end()) return found->second;
  const std::int32_t own = ownUserId_();
  if (own <= 0) return defaultPicture(group);  // nobody signed in: no cache to look in
  const AvatarLoad load =
      LoadAvatar(own, id, group, kSize, defaultPicture(group), onUiThread(this, [this, key](const QImage& image) {
                   if (image.isNull()) return;  // none to be had: the default stays
                   pictures_[key] = image;
                   emit arrived(key.first, key.second);
                 }));
  QImage& stored = pictures_[key];
  stored = load.picture.isNull() ? defaultPicture(group) : load.picture;
  return stored;
}

void RowAvatars::forget(std::int32_t id, bool group) {
  if (pictures_.erase(Key{id, group}) > 0) emit arrived(id, group);
}

}  // namespace kiv
