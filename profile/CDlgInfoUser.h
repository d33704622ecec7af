#pragma once

#include <QString>
#include <cstdint>

#include "profile/Birthday.h"
#include "profile/ProfileWindow.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace kiv {

struct UpdateUserInfoRequest;
struct UpdateUserInfoResponse;
struct UserInfoResponse;

// A user's profile, fetched from the server. The signed-in user's own one can
// be edited and saved, with a new picture; everybody else's is read only.
// The owner keeps one window and refills it with ShowUser for every user.
class CDlgInfoUser : public ProfileWindow {
  Q_OBJECT
 public:
  enum Control {
    kIntroduction = 1022,
    kMale = 1023,
    kFemale = 1024,
    kSecret = 1025,
    kMonth = 1028,
    kPicture = 1029,
    kDay = 1030,
    kChangePicture = 1031,
    kYear = 1032,
    kNumber = 1034,
    kNickname = 1036,
    kCity = 1039,
  };
  static constexpr int kNicknameBytes = 12;
  static constexpr int kIntroductionBytes = 50;

  explicit CDlgInfoUser(ClientSession& session, QWidget* parent = nullptr);

  // Fills the window for `userId` (placeholders and `nickname` until the
  // profile arrives), asks the server for the profile and shows the window;
  // editable when it is the signed-in user's own.
  void ShowUser(std::int32_t userId, const QString& nickname);

 protected:
  void save() override;

 private:
  void setFieldsEditable(bool on);
  void fill(const UserInfoResponse& profile);
  void answerSaved(const UpdateUserInfoRequest& saved, const UpdateUserInfoResponse& reply);
  birthday::Choice birthdayChoice() const;
  void selectBirthday(const birthday::Choice& choice);
  QString sexText() const;

  QLineEdit* number_ = nullptr;
  QLineEdit* nickname_ = nullptr;
  QButtonGroup* sex_ = nullptr;
  QLineEdit* city_ = nullptr;
  QComboBox* year_ = nullptr;
  QComboBox* month_ = nullptr;
  QComboBox* day_ = nullptr;
  QPlainTextEdit* introduction_ = nullptr;
};

}  // namespace kiv
