#include "profile/CDlgInfoUser.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "skin/BusyDisplay.h"
#include "skin/DialogControls.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "net/UpdateUserInfoMessages.h"
#include "net/UserInfoMessages.h"
#include "profile/ProfileAvatar.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "platform/qt/GbkQt.h"

namespace kiv {

namespace {

constexpr int kWidth = 380, kHeight = 330;
constexpr int kSignatureBytes = 49;  // what the profile answer can carry back

// Sex options in their order, as the wire writes them.
const char* const kSexes[] = {"男", "女", "保密"};
enum Sex { kMaleOption = 0, kFemaleOption = 1, kSecretOption = 2 };

QComboBox* numberList(QWidget* parent, int id, const QString& name, const QRect& geometry, int first, int last) {
  auto* list = new QComboBox(parent);
  controls::tag(list, id, name, geometry);
  list->addItem(QStringLiteral("-"));
  for (int n = first; n <= last; ++n) list->addItem(QString::number(n));
  return list;
}

}  // namespace

CDlgInfoUser::CDlgInfoUser(ClientSession& session, QWidget* parent)
    : ProfileWindow(session, false, kPicture, kChangePicture, QSize(kWidth, kHeight), parent) {
  setAccessibleName(QStringLiteral("个人资料"));

  controls::label(this, QStringLiteral("ID号:"), QRect(110, 42, 56, 20));
  number_ = controls::lineEdit(this, kNumber, QStringLiteral("ID号"), QRect(170, 40, 190, 22), true);
  controls::label(this, QStringLiteral("昵称:"), QRect(110, 68, 56, 20));
  nickname_ = controls::lineEdit(this, kNickname, QStringLiteral("昵称"), QRect(170, 66, 190, 22));
  controls::limitGbkBytes(nickname_, kNicknameBytes);

  controls::label(this, QStringLiteral("性别:"), QRect(110, 94, 56, 20));
  sex_ = new QButtonGroup(this);
  const int sexIds[] = {kMale, kFemale, kSecret};
  const int sexX[] = {170, 226, 282};
  for (int option = kMaleOption; option <= kSecretOption; ++option) {
    const QString text = QString::fromUtf8(kSexes[option]);
    auto* radio = new QRadioButton(text, this);
    controls::tag(radio, sexIds[option], text, QRect(sexX[option], 94, option == kSecretOption ? 70 : 52, 20));
    sex_->addButton(radio, option);
  }

  controls::label(this, QStringLiteral("城市:"), QRect(110, 122, 56, 20));
  city_ = controls::lineEdit(this, kCity, QStringLiteral("城市"), QRect(170, 120, 190, 22), true);

  controls::label(this, QStringLiteral("生日:"), QRect(110, 150, 56, 20));
  year_ = numberList(this, kYear, QStringLiteral("出生年"), QRect(170, 148, 70, 22), birthday::kFirstYear,
                     birthday::kLastYear);
  month_ = numberList(this, kMonth, QStringLiteral("出生月"), QRect(246, 148, 54, 22), 1, 12);
  day_ = numberList(this, kDay, QStringLiteral("出生日"), QRect(306, 148, 54, 22), 1, 31);

  controls::label(this, QStringLiteral("简介:"), QRect(20, 180, 56, 18));
  introduction_ = new QPlainTextEdit(this);
  controls::tag(introduction_, kIntroduction, QStringLiteral("简介"), QRect(20, 198, 340, 74));
  controls::limitGbkBytes(introduction_, kIntroductionBytes);

  setFieldsEditable(false);
}

void CDlgInfoUser::setFieldsEditable(bool on) {
  nickname_->setReadOnly(!on);
  nickname_->setFrame(on);  // read only, it reads as text like the number
  introduction_->setReadOnly(!on);
  for (QAbstractButton* option : sex_->buttons()) option->setEnabled(on);
  year_->setEnabled(on);
  month_->setEnabled(on);
  day_->setEnabled(on);
}

void CDlgInfoUser::ShowUser(std::int32_t userId, const QString& nickname) {
  const bool own = userId == session().model.self().userId;
  number_->setText(QString::number(static_cast<std::uint32_t>(userId)));
  controls::setUnlimitedText(nickname_, nickname);
  controls::setUnlimitedText(introduction_, QString());
  introduction_->setPlaceholderText(QString());
  sex_->button(kSecretOption)->setChecked(true);
  selectBirthday({});
  city_->setText(QStringLiteral("******"));
  setFieldsEditable(own);
  if (beginShow(userId, own))
    session().relay().ask(UserInfoRequest{static_cast<std::uint32_t>(userId)}, this,
                          [this](const UserInfoRequest& asked, const UserInfoResponse& profile) {
                            if (takeProfileAnswer(asked.userId) && profile.status == 0) fill(profile);
                          });
  present();
}

void CDlgInfoUser::fill(const UserInfoResponse& profile) {
  const QString noIntroduction = QStringLiteral("这个人很神秘!");
  controls::setUnlimitedText(nickname_, fromGbk(profile.nickname));
  if (!profile.introduction.empty()) {
    controls::setUnlimitedText(introduction_, fromGbk(profile.introduction));
  } else if (editable()) {
    // Shown, but not put into the box: saving must not make it the
    // signature.
    controls::setUnlimitedText(introduction_, QString());
    introduction_->setPlaceholderText(noIntroduction);
  } else {
    controls::setUnlimitedText(introduction_, noIntroduction);
  }
  int sex = kSecretOption;
  if (profile.sex == gbk::fromUtf8(kSexes[kMaleOption])) sex = kMaleOption;
  if (profile.sex == gbk::fromUtf8(kSexes[kFemaleOption])) sex = kFemaleOption;
  sex_->button(sex)->setChecked(true);
  city_->setText(fromGbk(profile.city));
  selectBirthday(birthday::fromWire(profile.birthday));
}

birthday::Choice CDlgInfoUser::birthdayChoice() const {
  birthday::Choice choice;
  if (year_->currentIndex() > 0) choice.year = birthday::kFirstYear + year_->currentIndex() - 1;
  choice.month = std::max(month_->currentIndex(), 0);
  choice.day = std::max(day_->currentIndex(), 0);
  return choice;
}

void CDlgInfoUser::selectBirthday(const birthday::Choice& choice) {
  year_->setCurrentIndex(choice.year == 0 ? 0 : choice.year - birthday::kFirstYear + 1);
  month_->setCurrentIndex(choice.month);
  day_->setCurrentIndex(choice.day);
}

QString CDlgInfoUser::sexText() const {
  const int option = sex_->checkedId() < 0 ? kSecretOption : sex_->checkedId();
  return QString::fromUtf8(kSexes[option]);
}

void CDlgInfoUser::save() {
  if (!beginSave()) return;
  const std::optional<std::string> date = birthday::toWire(birthdayChoice());
  if (!date) {
    // Nothing goes out, so no answer would ever stop the display.
    busyDisplay().stop();
    showMessage("请正确输入您的生日");
    return;
  }
  UpdateUserInfoRequest ask;
  ask.userId = static_cast<std::uint32_t>(shownId());
  ask.nickname = toGbk(nickname_->text());
  ask.sex = toGbk(sexText());
  ask.introduction = toGbk(introduction_->toPlainText());
  ask.birthday = *date;
  session().relay().ask(ask, this, [this](const UpdateUserInfoRequest& saved, const UpdateUserInfoResponse& reply) {
    answerSaved(saved, reply);
  });
  avatar().uploadIfChanged();
}

void CDlgInfoUser::answerSaved(const UpdateUserInfoRequest& saved, const UpdateUserInfoResponse& reply) {
  const bool ok = reply.status == 0;
  if (ok && static_cast<std::int32_t>(saved.userId) == session().model.self().userId) {
    // The profile takes what was sent, which is what the server keeps,
    // whatever the window shows by now.
    SelfProfile self = session().model.self();
    self.nickname = texts::clipNickname(saved.nickname);
    self.sex = saved.sex;
    self.signature = std::string(gbk::cut(saved.introduction, kSignatureBytes));
    session().model.setSelf(self);
  }
  finishSave(saved.userId, ok, "个人资料设置失败");
}

}  // namespace kiv
