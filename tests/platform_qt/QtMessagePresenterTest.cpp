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
  const QString nickname = QStringLiteral("<a href=//e.co>x</a><font size=7>");
  const QString question = QStringLiteral("确定要删除好友%1吗?").arg(nickname);
  Qt::TextFormat format = Qt::AutoText;
  QString shown;
  bool linkOffered = true;
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [&, timer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    format = box->textFormat();
    for (QLabel* label : box->findChildren<QLabel*>()) {
      if (!label->text().contains(nickname)) continue;
      shown = label->text();
      // Plain text holds no anchors, and no link could be followed anyway.
      linkOffered = label->textFormat() != Qt::PlainText ||
                    (label->textInteractionFlags() & (Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard)) != 0;
    }
    box->reject();
    timer->deleteLater();
  });
  timer->start(5);
  presenter.present({question.toStdString(), "提示", MessageIcon::Question, MessageButtons::OkCancel});
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_EQ(shown, question) << "the text as it stands, brackets and all";
  EXPECT_FALSE(linkOffered);
}

TEST(GbkQt, ConvertsAtTheWidgetBoundary) {
  EXPECT_EQ(fromGbk("\xC4\xBE\xC3\xDE"), QStringLiteral("木棉"));
  EXPECT_EQ(toGbk(QStringLiteral("木棉")), "\xC4\xBE\xC3\xDE");
  EXPECT_EQ(fromGbk("\xFF"), QString(QChar(0xFFFD)));
}

}  // namespace
}  // namespace kiv
