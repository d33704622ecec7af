#include "avatars/Avatars.h"

#include <QCoreApplication>
#include <QPointer>

#include "platform/qtcore/UiThreadCall.h"
#include "avatars/AvatarPaths.h"
#include "avatars/AvatarPicture.h"

namespace kiv {

QString avatarFileFilter() {
  return QStringLiteral("JPEG image (*.jpg);;GIF image (*.gif);;PNG image (*.png)");
}

int ChooseAvatarImage(QImage& bitmap, QString& path, const AvatarChooser& chooser) {
  if (!chooser) return 0;
  const std::optional<QString> chosen = chooser(avatarFileFilter());
  if (!chosen || chosen->isEmpty()) return 0;
  const QImage picture = avatar::readPictureFile(*chosen);
  if (picture.isNull()) return 0;
  bitmap = scaleAvatar(picture, avatar::kCachedSize);
  path = *chosen;
  return 1;
}

AvatarReady onUiThread(QObject* context, std::function<void(const QImage&)> handler) {
  QPointer<QObject> guard(context);
  return [guard, handler = std::move(handler)](const QImage& picture) {
    // The guard is only looked at on the application's thread: a widget may
    // be destroyed there at any moment, so the worker must not touch it.
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    postToThreadOf(app, [guard, handler, picture] {
      if (guard) handler(picture);
    });
  };
}

}  // namespace kiv
