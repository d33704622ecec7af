// The "基本设置" page: what "确定" writes, in which order, and what the user
// is told.
#include <QCheckBox>
#include <QRadioButton>
#include <filesystem>
#include <fstream>

#include "OptionsTest.h"
#include "skin/CBitButtonNL.h"
#include "platform/AutoStart.h"
#include "platform/ProgramPaths.h"
#include "support/QtAccessibility.h"

namespace kiv::test {
namespace {

using Settings = CDlgOptionSettings;
using Texts = std::vector<std::string>;

class SettingsTest : public OptionsTest {
 protected:
  void confirm() { QTest::mouseClick(settingsControl<CBitButtonNL>(Settings::kConfirmId), Qt::LeftButton); }
  // On the box or dot, where the user clicks.
  void click(int id) {
    auto* button = settingsControl<QAbstractButton>(id);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }
  bool ticked(int id) { return settingsControl<QAbstractButton>(id)->isChecked(); }
  bool entryExists() const { return std::filesystem::exists(autostart::entryPath()); }
};

TEST_F(SettingsTest, ConfirmingWithoutChangesOnlySaysSoAndCloses) {
  CDlgOption& options = open();
  EXPECT_TRUE(options.settingsPage()->isVisible());
  EXPECT_FALSE(ticked(Settings::kAutoStartId));
  EXPECT_FALSE(ticked(Settings::kAutoLoginId));
  EXPECT_TRUE(ticked(Settings::kSoundOnId));
  EXPECT_TRUE(unnamedControls(&options).isEmpty()) << unnamedControls(&options).join(", ").toStdString();

  confirm();
  EXPECT_EQ(boxes.texts(), Texts{"设置成功!"});
  EXPECT_FALSE(options.isVisible());
  EXPECT_FALSE(entryExists());
  EXPECT_EQ(store.logins.GetAutoLogin(), std::nullopt);
  EXPECT_TRUE(store.settings.IsSoundOn());
}

TEST_F(SettingsTest, AutoStartOnWritesTheEntryAndOffRemovesItAgain) {
  open();
  click(Settings::kAutoStartId);
  confirm();
  EXPECT_TRUE(entryExists());
  std::ifstream entry(autostart::entryPath());
  const std::string text((std::istreambuf_iterator<char>(entry)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("/" + paths::executableName() + "\"\n"), std::string::npos) << text;

  // Reopened, the page shows what it left and takes the tick away again.
  CDlgOption& options = open();
  EXPECT_TRUE(ticked(Settings::kAutoStartId));
  click(Settings::kAutoStartId);
  confirm();
  EXPECT_FALSE(entryExists());
  EXPECT_EQ(boxes.texts(), (Texts{"设置成功!", "设置成功!"}));
  EXPECT_FALSE(options.isVisible());
}

TEST_F(SettingsTest, AutoLoginSoundAndDesktopNoticesAreStoredAndOffSilencesTheClient) {
  open();
  EXPECT_TRUE(ticked(Settings::kDesktopNoticeId));  // on by default
  click(Settings::kAutoLoginId);
  click(Settings::kSoundOffId);
  click(Settings::kDesktopNoticeId);
  confirm();
  EXPECT_EQ(store.logins.GetAutoLogin(), kSelf);
  EXPECT_FALSE(store.settings.IsSoundOn());
  EXPECT_FALSE(store.settings.IsDesktopNoticeOn());
  // What the chat window asks before it plays the new-message sound, and
  // the main window before it shows a notification.
  EXPECT_FALSE(SoundEnabled.load());
  EXPECT_FALSE(DesktopNoticesEnabled.load());

  // A window opened afresh reads what is stored.
  dialog.reset();
  open();
  EXPECT_TRUE(ticked(Settings::kAutoLoginId));
  EXPECT_TRUE(ticked(Settings::kSoundOffId));
  EXPECT_FALSE(ticked(Settings::kDesktopNoticeId));
  click(Settings::kAutoLoginId);
  click(Settings::kSoundOnId);
  click(Settings::kDesktopNoticeId);
  confirm();
  EXPECT_EQ(store.logins.GetAutoLogin(), std::nullopt);
  EXPECT_TRUE(store.settings.IsSoundOn());
  EXPECT_TRUE(SoundEnabled.load());
  EXPECT_TRUE(store.settings.IsDesktopNoticeOn());
  EXPECT_TRUE(DesktopNoticesEnabled.load());
  EXPECT_EQ(boxes.texts(), (Texts{"设置成功!", "设置成功!"}));
}

TEST_F(SettingsTest, AFailingStepStopsThereKeepsEarlierStepsAndTheWindowOpen) {
  // The autostart folder cannot be made where a file stands.
  std::ofstream(home.file("config")) << "not a folder";
  CDlgOption& options = open();
  click(Settings::kAutoStartId);
  click(Settings::kAutoLoginId);
  confirm();
  EXPECT_EQ(boxes.texts(), Texts{"开机自动启动设置失败"});
  EXPECT_TRUE(options.isVisible());
  EXPECT_EQ(store.logins.GetAutoLogin(), std::nullopt);  // the later step was not taken

  ScopedEnv writable("XDG_CONFIG_HOME", home.file("config2").c_str());
  // Meanwhile another run of the program turned sounds off: asking for the
  // same again fails, after the first two steps were done.
  store.settings.SetSound(false);
  click(Settings::kSoundOffId);
  confirm();
  EXPECT_EQ(boxes.texts(), (Texts{"开机自动启动设置失败", "声音设置失败"}));
  EXPECT_TRUE(entryExists());
  EXPECT_EQ(store.logins.GetAutoLogin(), kSelf);
  EXPECT_TRUE(options.isVisible());
  EXPECT_TRUE(SoundEnabled.load());  // the switch follows only a stored change
}

TEST_F(SettingsTest, TabsSwitchPageAndHeaderAndTheWindowReopensOnTheLastPage) {
  CDlgOption& options = open();
  EXPECT_EQ(options.headerBitmap(), 263);
  QTest::mouseClick(options.control<CBitButtonNL>(CDlgOption::kPasswordTabId), Qt::LeftButton);
  EXPECT_TRUE(options.passwordPage()->isVisible());
  EXPECT_FALSE(options.settingsPage()->isVisible());
  EXPECT_EQ(options.headerBitmap(), 265);
  EXPECT_EQ(options.passwordPage()->geometry(), QRect(157, 26, 233, 250));

  // Escape in a page closes the window; it comes back on the same page.
  QTest::keyClick(passwordControl(CDlgOptionPassword::kOldId), Qt::Key_Escape);
  EXPECT_FALSE(options.isVisible());
  open();
  EXPECT_TRUE(options.passwordPage()->isVisible());
  QTest::mouseClick(options.control<CBitButtonNL>(CDlgOption::kSettingsTabId), Qt::LeftButton);
  EXPECT_TRUE(options.settingsPage()->isVisible());
  EXPECT_EQ(options.headerBitmap(), 263);
  EXPECT_TRUE(boxes.texts().empty());
}

}  // namespace
}  // namespace kiv::test
