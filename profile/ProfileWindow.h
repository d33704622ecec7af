#pragma once

#include <cstdint>
#include <memory>

#include "skin/CDlgBasic.h"
#include "avatars/Avatars.h"

class QLabel;

namespace kiv {

class BusyDisplay;
class CBitButtonNL;
class CMacProgressCtrl;
class ProfileAvatar;
struct ClientSession;

// What the user and group profile windows share: the picture with "更改" in
// the top-left corner, the busy display ("正在更新中:") and "保存" and "关闭"
// along the bottom. Subclasses add their fields and say what saving does.
class ProfileWindow : public CDlgBasic {
  Q_OBJECT
 public:
  enum Control { kSave = 1, kClose = 2, kBusyBar = 1071, kBusyLabel = 1072 };

  ~ProfileWindow() override;

  std::int32_t shownId() const { return shownId_; }
  bool editable() const { return editable_; }
  bool busy() const;
  ProfileAvatar& avatar() { return *avatar_; }
  // How "更改" asks for a picture file (tests choose without a dialog).
  void setAvatarChooser(AvatarChooser chooser);

 protected:
  // `group`: the picture is a group's. `pictureId` and `changeId` number the
  // picture and its "更改" button.
  ProfileWindow(ClientSession& session, bool group, int pictureId, int changeId, QSize size,
                QWidget* parent);

  // "保存".
  virtual void save() = 0;

  // Starts showing `id`: picture, busy display (when a request can go out),
  // "保存" and "更改" for the owner. True when the connection can take the
  // profile request.
  bool beginShow(std::int32_t id, bool editable);
  // Shows the window in front.
  void present();
  // Whether saving may go ahead: false (and "请先连接服务器") offline. Starts
  // the busy display otherwise.
  bool beginSave();

  // An answer to the profile request about `askedId`: true (and the busy
  // display stopped) when that is the number shown; an answer for a number
  // shown before is of no use any more.
  bool takeProfileAnswer(std::uint32_t askedId);
  // The answer to a save of `savedId`: for the number shown, stops the busy
  // display and then tells `refusal` or closes the window.
  void finishSave(std::uint32_t savedId, bool ok, const char* refusal);

  BusyDisplay& busyDisplay() { return *busy_; }
  ClientSession& session() { return session_; }
  void OnDrawBackground(QPainter& painter, int left, int top, int right, int bottom) override;

 private:
  ClientSession& session_;
  std::int32_t shownId_ = 0;
  bool editable_ = false;
  QLabel* picture_ = nullptr;
  CBitButtonNL* save_ = nullptr;
  CBitButtonNL* change_ = nullptr;
  CMacProgressCtrl* bar_ = nullptr;
  std::unique_ptr<BusyDisplay> busy_;
  ProfileAvatar* avatar_ = nullptr;
};

}  // namespace kiv
