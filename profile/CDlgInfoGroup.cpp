#include "profile/CDlgInfoGroup.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "skin/BusyDisplay.h"
#include "skin/DialogControls.h"
#include "profile/ProfileAvatar.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "net/GroupInfoMessages.h"
#include "net/UpdateGroupInfoMessages.h"
#include "platform/MessageBox.h"
#include "platform/qt/GbkQt.h"

namespace kiv {

namespace {

constexpr int kWidth = 380, kHeight = 340;
enum Type { kOrdinaryOption = 0, kBroadcastOption = 1 };

}  // namespace

const QStringList& CDlgInfoGroup::categories() {
  static const QStringList list = {
      QStringLiteral("同事同学"), QStringLiteral("职业联盟"), QStringLiteral("同乡故知"), QStringLiteral("金融商业"),
      QStringLiteral("购物消费"), QStringLiteral("休闲娱乐"), QStringLiteral("情感世界"), QStringLiteral("体育天地"),
      QStringLiteral("影视音乐"), QStringLiteral("动漫卡通"), QStringLiteral("置业安居"), QStringLiteral("车行天下"),
      QStringLiteral("其他")};
  return list;
}

QString CDlgInfoGroup::creationText(const std::string& digits) {
  std::string shown = "00-00-00 00:00:00";
  static constexpr int kSlots[12] = {0, 1, 3, 4, 6, 7, 9, 10, 12, 13, 15, 16};
  for (std::size_t i = 0; i < digits.size() && i < 12; ++i) shown[kSlots[i]] = digits[i];
  return fromGbk(shown);
}

CDlgInfoGroup::CDlgInfoGroup(ClientSession& session, QWidget* parent)
    : ProfileWindow(session, true, kPicture, kChangePicture, QSize(kWidth, kHeight), parent) {
  setAccessibleName(QStringLiteral("群资料"));

  controls::label(this, QStringLiteral("ID号:"), QRect(110, 42, 60, 20));
  number_ = controls::lineEdit(this, kNumber, QStringLiteral("ID号"), QRect(176, 40, 184, 22), true);
  controls::label(this, QStringLiteral("昵称:"), QRect(110, 68, 60, 20));
  name_ = controls::lineEdit(this, kName, QStringLiteral("昵称"), QRect(176, 66, 184, 22));
  controls::limitGbkBytes(name_, kNameBytes);
  controls::label(this, QStringLiteral("成员数:"), QRect(110, 96, 60, 20));
  members_ = controls::lineEdit(this, kMemberCount, QStringLiteral("成员数"), QRect(176, 94, 184, 22), true);
  controls::label(this, QStringLiteral("注册时间:"), QRect(110, 122, 64, 20));
  created_ = controls::lineEdit(this, kCreated, QStringLiteral("注册时间"), QRect(176, 120, 184, 22), true);
  controls::label(this, QStringLiteral("分类:"), QRect(110, 150, 60, 20));
  category_ = new QComboBox(this);
  controls::tag(category_, kCategory, QStringLiteral("分类"), QRect(176, 148, 184, 22));
  category_->addItems(categories());

  controls::label(this, QStringLiteral("类型:"), QRect(20, 182, 44, 20));
  type_ = new QButtonGroup(this);
  auto* ordinary = new QRadioButton(QStringLiteral("普通互动群"), this);
  controls::tag(ordinary, kOrdinary, ordinary->text(), QRect(66, 182, 100, 20));
  auto* broadcast = new QRadioButton(QStringLiteral("广播群(只能群主发言)"), this);
  controls::tag(broadcast, kBroadcast, broadcast->text(), QRect(170, 182, 190, 20));
  type_->addButton(ordinary, kOrdinaryOption);
  type_->addButton(broadcast, kBroadcastOption);

  controls::label(this, QStringLiteral("简介:"), QRect(20, 208, 56, 18));
  introduction_ = new QPlainTextEdit(this);
  controls::tag(introduction_, kIntroduction, QStringLiteral("简介"), QRect(20, 226, 340, 64));
  controls::limitGbkBytes(introduction_, kIntroductionBytes);

  setFieldsEditable(false);
}

void CDlgInfoGroup::setFieldsEditable(bool on) {
  name_->setReadOnly(!on);
  name_->setFrame(on);  // read only, it reads as text like the number
  introduction_->setReadOnly(!on);
  category_->setEnabled(on);
  for (QAbstractButton* option : type_->buttons()) option->setEnabled(on);
}

void CDlgInfoGroup::ShowGroup(std::int32_t groupId, const QString& name, bool owner) {
  number_->setText(QString::number(static_cast<std::uint32_t>(groupId)));
  controls::setUnlimitedText(name_, name);
  controls::setUnlimitedText(introduction_, QString());
  category_->setCurrentIndex(static_cast<int>(categories().size()) - 1);
  type_->button(kOrdinaryOption)->setChecked(true);
  members_->setText(QStringLiteral("******"));
  created_->setText(QStringLiteral("******"));
  setFieldsEditable(owner);
  if (beginShow(groupId, owner))
    session().relay().ask(GroupInfoRequest{static_cast<std::uint32_t>(groupId)}, this,
                          [this](const GroupInfoRequest& asked, const GroupInfoResponse& profile) {
                            if (takeProfileAnswer(asked.groupId) && profile.status == 0) fill(profile);
                          });
  present();
}

void CDlgInfoGroup::fill(const GroupInfoResponse& profile) {
  controls::setUnlimitedText(name_, fromGbk(profile.name));
  controls::setUnlimitedText(introduction_, fromGbk(profile.introduction));
  // The first category that begins with the answer's text; an empty text
  // names none of them.
  const QString category = fromGbk(profile.category);
  int index = static_cast<int>(categories().size()) - 1;
  for (int i = 0; !category.isEmpty() && i < categories().size(); ++i) {
    if (categories().at(i).startsWith(category)) {
      index = i;
      break;
    }
  }
  category_->setCurrentIndex(index);
  type_->button(profile.type == GroupInfoResponse::kBroadcast ? kBroadcastOption : kOrdinaryOption)->setChecked(true);
  members_->setText(QString::number(profile.memberCount));
  created_->setText(creationText(profile.created));
}

void CDlgInfoGroup::save() {
  if (!beginSave()) return;
  UpdateGroupInfoRequest ask;
  ask.groupId = static_cast<std::uint32_t>(shownId());
  ask.name = toGbk(name_->text());
  ask.category = toGbk(category_->currentText());
  ask.introduction = toGbk(introduction_->toPlainText());
  ask.type = type_->checkedId() == kBroadcastOption ? 2 : 1;
  session().relay().ask(ask, this, [this](const UpdateGroupInfoRequest& saved, const UpdateGroupInfoResponse& reply) {
    answerSaved(saved, reply);
  });
  avatar().uploadIfChanged();
}

void CDlgInfoGroup::answerSaved(const UpdateGroupInfoRequest& saved, const UpdateGroupInfoResponse& reply) {
  const bool ok = reply.status == 0;
  const auto groupId = static_cast<std::int32_t>(saved.groupId);
  if (ok) {
    // The tree shows the name that was saved, keeping the group's shield
    // mark, whatever the window shows by now.
    if (const GroupEntry* group = session().model.findGroup(groupId)) {
      session().model.setGroupText(
          groupId, texts::groupItem(saved.name, group->shielded, texts::kReshieldedGroupSpaces));
    }
  }
  finishSave(saved.groupId, ok, "群信息设置失败");
}

}  // namespace kiv
