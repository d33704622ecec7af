#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/ProgramPaths.h"
#include "platform/AutoStart.h"
#include "storage/LocalStores.h"
#include "support/TempDir.h"

namespace kiv {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(AutoStart, OnTwiceAndOffTwiceThroughTheStore) {
  test::TempDir config;
  test::ScopedEnv xdg("XDG_CONFIG_HOME", config.path().c_str());
  const std::string entry = config.path() + "/autostart/木棉.desktop";
  LocalStores store;
  store.ResolveProgramPaths();

  EXPECT_FALSE(store.settings.IsAutoStartOn());
  EXPECT_TRUE(store.settings.SetAutoStart(true));  // creates the autostart folder too
  EXPECT_TRUE(store.settings.IsAutoStartOn());
  EXPECT_TRUE(store.settings.SetAutoStart(true));  // overwrites the same entry
  EXPECT_TRUE(store.settings.IsAutoStartOn());

  const std::string text = readFile(entry);
  EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(text.find("\nName=木棉\n"), std::string::npos);
  EXPECT_NE(text.find("\nExec=\"" + paths::executablePath() + "\"\n"), std::string::npos) << text;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(config.path() + "/autostart"),
                          std::filesystem::directory_iterator()),
            1);

  EXPECT_TRUE(store.settings.SetAutoStart(false));
  EXPECT_FALSE(store.settings.IsAutoStartOn());
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_FALSE(store.settings.SetAutoStart(false));  // nothing left to remove
}

TEST(AutoStart, FolderFollowsTheXdgRules) {
  test::TempDir home;
  test::ScopedEnv homeEnv("HOME", home.path().c_str());
  {
    test::ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(autostart::entryPath(), home.path() + "/.config/autostart/木棉.desktop");
  }
  {
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    test::ScopedEnv xdg("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(autostart::entryPath(), home.path() + "/.config/autostart/木棉.desktop");
  }
  {
    test::ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    test::ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ(autostart::entryPath(), "");
    EXPECT_FALSE(autostart::isOn());
    EXPECT_FALSE(autostart::set(true, "/usr/bin/kiv"));
    EXPECT_FALSE(autostart::set(false, "/usr/bin/kiv"));
  }
}

TEST(AutoStart, EntriesThatCannotBeWrittenAreReportedAsFailures) {
  test::TempDir dir;
  // The config "folder" is a regular file, so no autostart folder can exist.
  const std::string notAFolder = dir.file("config");
  std::ofstream(notAFolder) << "x";
  test::ScopedEnv xdg("XDG_CONFIG_HOME", notAFolder.c_str());
  EXPECT_FALSE(autostart::set(true, "/usr/bin/kiv"));
  EXPECT_FALSE(autostart::isOn());

  // Nor is an entry that would start nothing.
  test::ScopedEnv usable("XDG_CONFIG_HOME", dir.path().c_str());
  EXPECT_FALSE(autostart::set(true, ""));
  EXPECT_FALSE(autostart::isOn());
}

TEST(AutoStart, ExecutablePathIsQuotedForTheExecLine) {
  const std::string text = autostart::desktopEntryText("/opt/my apps/k\"i$v`100%\\bin\n");
  // Exec quoting escapes " ` $ \ and doubles %; the value escaping then
  // doubles every backslash and spells out the line break.
  EXPECT_NE(text.find("\nExec=\"/opt/my apps/k\\\\\"i\\\\$v\\\\`100%%\\\\\\\\bin\\n\"\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("\nbin"), std::string::npos);
}

}  // namespace
}  // namespace kiv
