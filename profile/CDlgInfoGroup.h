#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>

#include "profile/ProfileWindow.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace kiv {

struct GroupInfoResponse;
struct UpdateGroupInfoRequest;
struct UpdateGroupInfoResponse;

// A group's profile, fetched from the server; the group's owner can edit and
// save it, with a new picture. The owner of the window keeps one and refills
// it with ShowGroup for every group.
class CDlgInfoGroup : public ProfileWindow {
  Q_OBJECT
 public:
  enum Control {
    kNumber = 1029,
    kPicture = 1030,
    kName = 1031,
    kChangePicture = 1032,
    kIntroduction = 1033,
    kMemberCount = 1035,
    kCreated = 1037,
    kCategory = 1038,
    kOrdinary = 1046,
    kBroadcast = 1047,
  };
  static constexpr int kNameBytes = 12;
  static constexpr int kIntroductionBytes = 50;

  // The categories offered, in list order; the last one, "其他", also
  // stands for any category the list lacks.
  static const QStringList& categories();
  // "YYMMDDhhmmss" shown as "YY-MM-DD hh:mm:ss", the characters copied as
  // they stand ("0" where the text is shorter).
  static QString creationText(const std::string& digits);

  explicit CDlgInfoGroup(ClientSession& session, QWidget* parent = nullptr);

  // Fills the window for `groupId` (placeholders and `name` until the
  // profile arrives), editable when `owner`; asks the server and shows it.
  void ShowGroup(std::int32_t groupId, const QString& name, bool owner);

 protected:
  void save() override;

 private:
  void setFieldsEditable(bool on);
  void fill(const GroupInfoResponse& profile);
  void answerSaved(const UpdateGroupInfoRequest& saved, const UpdateGroupInfoResponse& reply);

  QLineEdit* number_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLineEdit* members_ = nullptr;
  QLineEdit* created_ = nullptr;
  QComboBox* category_ = nullptr;
  QButtonGroup* type_ = nullptr;
  QPlainTextEdit* introduction_ = nullptr;
};

}  // namespace kiv
