#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/Endpoint.h"
#include "platform/ProgramPaths.h"
#include "support/TempDir.h"

namespace kiv {
namespace {

TEST(ProgramPaths, ExecutableIsThisTestProgram) {
  EXPECT_EQ(paths::executableName(), "test_platform");
  EXPECT_TRUE(std::filesystem::path(paths::executablePath()).is_absolute());
}

TEST(ProgramPaths, KivHomeOverridesAndIsCreated) {
  test::TempDir dir;
  const std::string home = dir.file("木棉 home");
  test::ScopedEnv env("KIV_HOME", home.c_str());
  EXPECT_EQ(paths::programDirectory(), home + "/");
  EXPECT_TRUE(std::filesystem::is_directory(home));
}

TEST(ProgramPaths, WithoutKivHomeTheDirectoryIsWritable) {
  test::TempDir dir;
  test::ScopedEnv home("KIV_HOME", nullptr);
  test::ScopedEnv xdg("XDG_DATA_HOME", dir.path().c_str());
  const std::string program = paths::programDirectory();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), '/');
  // Either the executable's directory (writable in a build tree) or the
  // XDG fallback below the temporary directory.
  const std::string exeDir = std::filesystem::path(paths::executablePath()).parent_path().string() + "/";
  EXPECT_TRUE(program == exeDir || program == dir.path() + "/kiv/") << program;
}

TEST(ProgramPaths, OnlyAFolderOfTheUsersOwnOutsideAnInstallPrefixIsPortable) {
  test::TempDir dir;
  const std::string bin = dir.file("bin");
  const std::string copy = dir.file("kiv");
  std::filesystem::create_directory(bin);
  std::filesystem::create_directory(copy);
  EXPECT_TRUE(paths::isPortableFolder(copy));
  EXPECT_FALSE(paths::isPortableFolder(bin)) << "every install prefix keeps its programs in bin";
  EXPECT_FALSE(paths::isPortableFolder("/usr/bin"));
  EXPECT_FALSE(paths::isPortableFolder("/usr/lib/kiv"));
}

TEST(ProgramPaths, TheUsersDataFolderIsPrivate) {
  test::TempDir dir;
  const mode_t before = ::umask(022);
  {
    test::ScopedEnv xdg("XDG_DATA_HOME", dir.file("data").c_str());
    EXPECT_EQ(paths::userDataDirectory(), dir.file("data/kiv/"));
    EXPECT_EQ(std::filesystem::status(dir.file("data/kiv")).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
  }
  {
    // A relative XDG_DATA_HOME is no answer; the home is.
    test::ScopedEnv xdg("XDG_DATA_HOME", "relative/data");
    test::ScopedEnv home("HOME", dir.file("home").c_str());
    EXPECT_EQ(paths::userDataDirectory(), dir.file("home/.local/share/kiv/"));
  }
  ::umask(before);
}

TEST(Endpoint, ParsesHostAndPort) {
  EXPECT_EQ(parseEndpoint("10.1.2.3:7838"), (Endpoint{"10.1.2.3", 7838}));
  EXPECT_EQ(parseEndpoint("chat.example:1"), (Endpoint{"chat.example", 1}));
  EXPECT_FALSE(parseEndpoint("127.0.0.1"));
  EXPECT_FALSE(parseEndpoint(":80"));
  EXPECT_FALSE(parseEndpoint("h:0"));
  EXPECT_FALSE(parseEndpoint("h:65536"));
  EXPECT_FALSE(parseEndpoint("h:80x"));
}

TEST(Endpoint, EnvironmentOverridesDefaults) {
  {
    test::ScopedEnv server("KIV_SERVER", nullptr);
    test::ScopedEnv web("KIV_WEB", nullptr);
    EXPECT_EQ(chatServerEndpoint(), (Endpoint{"127.0.0.1", 7838}));
    EXPECT_EQ(webEndpoint(), (Endpoint{"127.0.0.1", 80}));
  }
  {
    test::ScopedEnv server("KIV_SERVER", "192.0.2.7:9000");
    test::ScopedEnv web("KIV_WEB", "localhost:8080");
    EXPECT_EQ(chatServerEndpoint(), (Endpoint{"192.0.2.7", 9000}));
    EXPECT_EQ(webEndpoint(), (Endpoint{"localhost", 8080}));
  }
  {
    // A value that does not parse falls back to the default.
    test::ScopedEnv server("KIV_SERVER", "nonsense");
    EXPECT_EQ(chatServerEndpoint(), (Endpoint{"127.0.0.1", 7838}));
  }
}

}  // namespace
}  // namespace kiv
