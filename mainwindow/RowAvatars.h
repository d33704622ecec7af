#pragma once

#include <QImage>
#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace kiv {

// The 20-pixel avatars of a list's or tree's rows, loaded when a row is first
// drawn rather than when it is added: a tree of ten groups with hundreds of
// members each asks the web host only for the rows somebody looks at. A row
// shows its default picture until the avatar arrives; `arrived` then tells
// the view which row to repaint.
class RowAvatars : public QObject {
  Q_OBJECT
 public:
  static constexpr int kSize = 20;

  // `ownUserId` names the signed-in account whose cache is used.
  explicit RowAvatars(std::function<std::int32_t()> ownUserId, QObject* parent = nullptr);

  // The picture to draw now for user or group `id`.
  const QImage& picture(std::int32_t id, bool group);
  // Forgets the picture (a new one was cached): the next draw loads it again.
  void forget(std::int32_t id, bool group);

  // The default pictures at 20 x 20: bitmap 148 for users, 240 for groups.
  static const QImage& defaultPicture(bool group);

 signals:
  void arrived(std::int32_t id, bool group);

 private:
  using Key = std::pair<std::int32_t, bool>;
  std::function<std::int32_t()> ownUserId_;
  std::map<Key, QImage> pictures_;
};

}  // namespace kiv
