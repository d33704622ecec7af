// Every window of a signed-in user, at whatever scale the screen has: the
// suite runs this once as it is and once more with QT_SCALE_FACTOR=2 (a
// HiDPI screen). No text may need more room than its control gives it, and
// the caption corner must show the skin picture pixel for pixel: on a HiDPI
// screen the one drawn at twice the pixels, not a blurred enlargement.
#include <QCheckBox>
#include <QRadioButton>

#include "AppFixture.h"
#include "history/CDlgHistory.h"
#include "profile/CDlgInfoUser.h"
#include "search/CDlgSearch.h"
#include "chat/CSendMessage.h"
#include "mainwindow/CKivTreeCtrl.h"
#include "model/ChatCategory.h"
#include "options/CDlgOption.h"
#include "platform/Gbk.h"

namespace kiv::test {
namespace {

QString describe(const QWidget* control, const QString& text) {
  return QStringLiteral("%1 %2 \"%3\"")
      .arg(QString::fromLatin1(control->metaObject()->className()), control->property("controlId").toString(), text);
}

// The shown texts of `window` that need more room than their controls have.
QStringList clippedTexts(QWidget* window) {
  QStringList clipped;
  for (QWidget* control : window->findChildren<QWidget*>()) {
    if (!control->isVisibleTo(window)) continue;
    if (auto* label = qobject_cast<QLabel*>(control)) {
      if (label->text().isEmpty() || !label->pixmap().isNull()) continue;
      const QSize need = label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->sizeHint();
      if (need.width() > label->width() || need.height() > label->height()) clipped << describe(label, label->text());
    } else if (qobject_cast<QCheckBox*>(control) != nullptr || qobject_cast<QRadioButton*>(control) != nullptr) {
      auto* box = static_cast<QAbstractButton*>(control);
      if (box->sizeHint().width() > box->width()) clipped << describe(box, box->text());
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
      // Bitmap buttons that letter their pictures themselves draw no text.
      auto* bitmap = qobject_cast<CBitButtonNL*>(button);
      if (button->text().isEmpty() || (bitmap != nullptr && !bitmap->drawsText())) continue;
      if (button->fontMetrics().horizontalAdvance(button->text()) > button->width())
        clipped << describe(button, button->text());
    }
  }
  return clipped;
}

// Checks the texts and the caption corner (skin bitmap `corner`) of a shown
// window; `name` says which in a failure.
void checkWindow(QWidget* window, int corner, const QString& name) {
  SCOPED_TRACE(name.toStdString());
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->isVisible());
  QTest::qWait(20);
  EXPECT_EQ(clippedTexts(window), QStringList());

  const qreal ratio = window->devicePixelRatioF();
  const QString file = ratio > 1 ? QStringLiteral(":/bitmap/%1@2x.png") : QStringLiteral(":/bitmap/%1.png");
  const QImage picture = QImage(file.arg(corner)).convertToFormat(QImage::Format_RGB32);
  const QImage shown = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
  // The flower and the caption above its rule, which a pane may cover.
  const int side = qRound(24 * ratio);
  ASSERT_GE(picture.height(), side) << "no picture for this scale";
  EXPECT_TRUE(shown.copy(0, 0, side, side) == picture.copy(0, 0, side, side));
}

using WindowScale = AppFixture;

TEST_F(WindowScale, EveryWindowFitsItsTextsAndShowsSharpPictures) {
  constexpr int kDialogCorner = 196;
  constexpr int kMainCorner = 172;
  remember("13800000001", 10001, "123456");
  CDlgLogin& login = openLogin();
  checkWindow(&login, kDialogCorner, QStringLiteral("scale-login"));
  click(CDlgLogin::kLogin);
  ASSERT_TRUE(signedIn());

  CKivDlg& main = enterMainWindow();
  ASSERT_TRUE(waitFor([&] { return main.tree()->topLevelItemCount() > 0; }));
  main.selectTab(CKivDlg::kFriendsTab);
  checkWindow(&main, kMainCorner, QStringLiteral("scale-main"));

  QTest::mouseClick(main.control<QAbstractButton>(CKivDlg::kOptionsButton), Qt::LeftButton);
  CDlgOption* options = main.optionsWindow();
  checkWindow(options, kDialogCorner, QStringLiteral("scale-options-settings"));
  QTest::mouseClick(options->control<QAbstractButton>(CDlgOption::kPasswordTabId), Qt::LeftButton);
  checkWindow(options, kDialogCorner, QStringLiteral("scale-options-password"));
  options->hide();

  QTest::mouseClick(main.control<QAbstractButton>(CKivDlg::kHistoryButton), Qt::LeftButton);
  checkWindow(main.historyWindow(), kDialogCorner, QStringLiteral("scale-history"));
  main.historyWindow()->hide();

  QTest::mouseClick(main.control<QAbstractButton>(CKivDlg::kSearchButton), Qt::LeftButton);
  CDlgSearch* search = main.searchWindow();
  checkWindow(search, kDialogCorner, QStringLiteral("scale-search-friends"));
  search->showGroupSearch();
  checkWindow(search, kDialogCorner, QStringLiteral("scale-search-groups"));
  search->hide();

  main.runSystemCommand(CKivDlg::kOwnProfile);
  CDlgInfoUser* profile = main.ownProfileWindow();
  ASSERT_NE(profile, nullptr);
  ASSERT_TRUE(waitFor([&] { return !profile->busy(); }));
  checkWindow(profile, kDialogCorner, QStringLiteral("scale-profile"));
  profile->hide();

  main.showConversation(ChatCategory::kFriend, 10002, gbk::fromUtf8("李小红"), "", 3);
  auto* chat = dynamic_cast<CSendMessage*>(app->model().conversations().findPrivate(10002));
  checkWindow(chat, kDialogCorner, QStringLiteral("scale-chat"));
  EXPECT_TRUE(boxes.texts().empty());
}

}  // namespace
}  // namespace kiv::test
