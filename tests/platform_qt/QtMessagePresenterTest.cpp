#include "platform/qt/QtMessagePresenter.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <atomic>
#include <thread>

#include "platform/qt/GbkQt.h"

namespace kiv {
namespace {

// Clicks the button with the given text on the first modal message box.
void answerWhenShown(const QString& buttonText) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, buttonText] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    for (QAbstractButton* b : box->buttons())
      if (b->text() == buttonText) b->click();
    timer->stop();
    timer->deleteLater();
  });
  timer->start(5);
}

TEST(QtMessagePresenter, BoxFromWorkerThreadRunsOnTheUiThreadAndReturnsTheAnswer) {
  QtMessagePresenter presenter;
  std::atomic<bool> done{false};
  MessageAnswer answer = MessageAnswer::Ok;
  QString shownText;
  answerWhenShown(QStringLiteral("取消"));
  std::thread worker([&] {
    answer = presenter.present({"确定要删除吗?", "提示", MessageIcon::Question, MessageButtons::OkCancel});
    done = true;
  });
  while (!done) QApplication::processEvents(QEventLoop::AllEvents, 10);
  worker.join();
  EXPECT_EQ(answer, MessageAnswer::Cancel);
}

TEST(QtMessagePresenter, BoxOnTheUiThreadIsShownDirectly) {
  QtMessagePresenter presenter;
  answerWhenShown(QStringLiteral("确定"));
  EXPECT_EQ(presenter.present({"好友添加成功", "提示", MessageIcon::Information, MessageButtons::Ok}),
            MessageAnswer::Ok);
}

TEST(QtMessagePresenter, ANicknameIsShownAsTypedNeverAsMarkupOrALink) {
  QtMessagePresenter presenter;
  const QString question = QStringLiteral("确定要删除好友<a href=//e.co>x</a><font size=7>吗?");
  QLabel* label = nullptr;
  QTimer::singleShot(5, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    for (QLabel* each : box->findChildren<QLabel*>())
      if (each->text() == question) label = each;  // the text as it stands, brackets and all
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->textInteractionFlags() & (Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard), 0);
    box->reject();
  });
  presenter.present({question.toStdString(), "提示", MessageIcon::Question, MessageButtons::OkCancel});
  EXPECT_NE(label, nullptr);
}

TEST(GbkQt, ConvertsAtTheWidgetBoundary) {
  EXPECT_EQ(fromGbk("\xC4\xBE\xC3\xDE"), QStringLiteral("木棉"));
  EXPECT_EQ(toGbk(QStringLiteral("木棉")), "\xC4\xBE\xC3\xDE");
  EXPECT_EQ(fromGbk("\xFF"), QString(QChar(0xFFFD)));
}

}  // namespace
}  // namespace kiv
