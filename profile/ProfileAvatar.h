#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <cstdint>

#include "avatars/Avatars.h"

class QLabel;

namespace kiv {

struct ClientSession;

// The picture of a profile window: the avatar shown at 70 x 70 (the skin's
// default while there is none), a new one chosen with "更改", and its upload
// when the profile is saved.
//
// The new picture is cached on "保存" and every view is told at once; the
// upload runs on the avatar service's upload thread, so a slow web host never
// holds up the window: saving again, or closing the window, returns at once
// while an upload runs (the uploads go out one after the other).
class ProfileAvatar : public QObject {
  Q_OBJECT
 public:
  ProfileAvatar(ClientSession& session, QLabel* picture, bool group, QObject* parent = nullptr);
  ~ProfileAvatar() override;

  // How "更改" asks for a file; the default opens the file dialog.
  void setChooser(AvatarChooser chooser) { chooser_ = std::move(chooser); }

  // Shows the avatar of `id` (cached at once, else the default picture until
  // it has been fetched) and forgets a picture chosen for the one before.
  void show(std::int32_t id);
  // "更改": true when a picture was chosen; it is shown and marked changed.
  bool choose();
  bool changed() const { return changed_; }
  const QString& chosenPath() const { return path_; }

  // On "保存": when a new picture was chosen, caches it as the avatar of the
  // shown id, tells the views and starts its upload; the changed mark is
  // cleared at once. False when there was nothing to upload.
  bool uploadIfChanged();
  // Uploads started here that have not ended yet.
  int uploading() const { return uploading_; }

 signals:
  // The upload of `id` ended; `ok` when the web host took it.
  void uploaded(std::int32_t id, bool ok);

 private:
  QImage defaultPicture() const;
  void display(const QImage& picture);
  void finishUpload(std::int32_t id, bool ok);

  ClientSession& session_;
  QLabel* label_;
  bool group_;
  std::int32_t id_ = 0;
  unsigned generation_ = 0;  // which show() a fetched picture belongs to
  AvatarChooser chooser_;
  QImage chosen_;
  QString path_;
  bool changed_ = false;
  int uploading_ = 0;
};

}  // namespace kiv
