#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <thread>

namespace kiv {
namespace {

TEST(MessageBox, RecorderCapturesBoxesFromWorkerThreadsAndAnswersAsScripted) {
  MessageRecorder recorder;
  recorder.script({MessageAnswer::Cancel});
  MessageAnswer fromWorker = MessageAnswer::Ok;
  std::thread worker([&] { fromWorker = showMessage("确定要退出吗?", MessageButtons::OkCancel); });
  worker.join();
  EXPECT_EQ(fromWorker, MessageAnswer::Cancel);
  EXPECT_EQ(showMessage("请先连接服务器"), MessageAnswer::Ok);  // script used up
  ASSERT_EQ(recorder.requests().size(), 2u);
  EXPECT_EQ(recorder.requests()[0].caption, "提示");
  EXPECT_EQ(recorder.requests()[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(recorder.texts()[1], "请先连接服务器");
}

TEST(MessageBox, DefaultPresenterAnswersOkWhenNothingIsInstalled) {
  { MessageRecorder gone; }
  EXPECT_EQ(showMessage("no recorder"), MessageAnswer::Ok);
}

}  // namespace
}  // namespace kiv
