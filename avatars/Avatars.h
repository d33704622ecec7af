#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "avatars/AvatarImage.h"
#include "avatars/AvatarService.h"

// The avatar operations the windows call, on the process-wide AvatarService.
namespace kiv {

// The avatar of user or group `id` for the signed-in `ownUserId`, at the
// draw size for `size` (70, 40, else 20). Gives the cached picture at once,
// else `fallback` (the skin's default picture) while the avatar is fetched;
// `ready` then gets the real one, or a null image when there is none, on a
// worker thread (wrap it with onUiThread for widgets).
inline AvatarLoad LoadAvatar(int ownUserId, int id, bool group, int size, const QImage& fallback = {},
                             AvatarReady ready = {}) {
  return defaultAvatarService().load(ownUserId, id, group, size, fallback, std::move(ready));
}

// Right after sign-in: every cached avatar but the own one goes, so the
// others are fetched afresh once per sign-in.
inline void PurgeAvatarCache(int ownUserId) {
  defaultAvatarService().purge(ownUserId);
}

// Asks for a picture file; gets the dialog's filter and returns the chosen
// path, or nothing when the dialog failed or was cancelled.
using AvatarChooser = std::function<std::optional<QString>(const QString& filter)>;

// The filter of the picture dialog.
QString avatarFileFilter();

// Lets the user choose a picture: on success `bitmap` holds it at 70 x 70,
// `path` the chosen file, and the result is 1; 0 (both untouched) when the
// dialog was cancelled or the file is no readable picture.
int ChooseAvatarImage(QImage& bitmap, QString& path, const AvatarChooser& chooser);

// Caches `bitmap` as the new avatar of `id` (user, or group when `group`)
// and uploads the chosen file with the sign-in texts. 1 on HTTP 200, else 0;
// the picture stays cached either way. Blocks until the upload ends.
inline int UploadAvatar(int ownUserId, QImage& bitmap, int id, bool group, const QString& path,
                        const AvatarUploadLogin& login, int* sendStatus = nullptr) {
  return defaultAvatarService().upload(ownUserId, bitmap, id, group, path, login, sendStatus);
}

// Wraps `handler` so that it runs on `context`'s thread, and not at all once
// `context` is gone: what a widget passes as `ready`. `context` must live on
// the application's main thread.
AvatarReady onUiThread(QObject* context, std::function<void(const QImage&)> handler);

}  // namespace kiv
