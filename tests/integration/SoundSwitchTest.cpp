// The sound choice of the options window reaches the chat window: with
// "关闭声音" confirmed the next received message plays nothing, with
// "开启声音" it plays again.
#include <gtest/gtest.h>
#include <QAbstractButton>

#include "chat/ChatTestSupport.h"
#include "options/CDlgOption.h"
#include "options/CDlgOptionSettings.h"
#include "platform/MessageBox.h"
#include "platform/qt/WavePlayer.h"
#include "platform/SoundEnabled.h"
#include "support/TempDir.h"

namespace kiv::test {
namespace {

void choose(CDlgOption& options, int soundId) {
  options.show();
  CDlgOptionSettings* page = options.settingsPage();
  auto* sound = page->control<QAbstractButton>(soundId);
  QTest::mouseClick(sound, Qt::LeftButton, {}, QPoint(6, sound->height() / 2));
  QTest::mouseClick(page->control<QAbstractButton>(CDlgOptionSettings::kConfirmId), Qt::LeftButton);
}

TEST(SoundSwitch, SoundOffSilencesTheNextReceivedMessageAndSoundOnPlaysAgain) {
  MessageRecorder boxes;
  DemoServer server;
  TempDir home;
  ClientStack zhang(server, DemoServer::demoPhone(10001), home.path());
  ASSERT_TRUE(zhang.signIn());
  SoundEnabled = zhang.store.settings.IsSoundOn();  // as at the end of the main window's start
  CSendMessage* fromLi = openChat(zhang, 10002, ConversationKind::kPrivate, "李小红(10002)", terminal::kPcClient, false);
  CDlgOption options(zhang.session);
  auto receive = [&](const char* text) {
    ASSERT_EQ(server.admin().run("send-message", {"10002", "private", "10001", text}), 0);
    fetchFor(zhang, fromLi);
    ASSERT_TRUE(waitForShown(fromLi, QString::fromUtf8(text)));
  };

  choose(options, CDlgOptionSettings::kSoundOffId);
  const int played = WavePlayer::requests();
  receive("这条不响");
  EXPECT_EQ(WavePlayer::requests(), played);

  choose(options, CDlgOptionSettings::kSoundOnId);
  receive("这条响");
  EXPECT_EQ(WavePlayer::requests(), played + 1);
  EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"设置成功!", "设置成功!"}));
  EXPECT_TRUE(zhang.store.settings.IsSoundOn());
}

}  // namespace
}  // namespace kiv::test
