// Where the game finds its data and where it writes: the data search (an
// installed layout, the build tree only for a program inside it), the XDG
// state and pictures folders, the user-dirs.dirs reader on odd and hostile
// text, the choice between the data's folder and the player's folders, and
// the screenshot key when its folder cannot be written.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "hud/Hud.h"
#include "shell/DataDir.h"
#include "shell/UserDirs.h"
#include "testutil.h"

namespace fs = std::filesystem;

namespace {

// The environment the functions under test see.
std::map<std::string, std::string> g_env;
const char* TestEnv(const char* name) {
  auto it = g_env.find(name);
  return it == g_env.end() ? nullptr : it->second.c_str();
}

std::string Here() { return fs::current_path().string(); }

// A game data tree: just the file the search looks for.
void MakeData(const fs::path& data) {
  fs::create_directories(data / "maps");
  testutil::WriteFile((data / "maps/level0.map").string(), "map");
}

class UserDirsTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_env.clear();
    root_ = fs::path(Here()) / "tree";
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    fs::remove_all(root_);
    SetLogFile(nullptr);
    SetScreenshotFolder(nullptr);
  }
  fs::path root_;
};

}  // namespace

TEST_F(UserDirsTest, StateFolderFollowsXdgStateHomeElseHome) {
  g_env["HOME"] = "/home/ann/";
  EXPECT_EQ(StateFolder(TestEnv), "/home/ann/.local/state/tarvs");
  g_env["XDG_STATE_HOME"] = "/var/ann/state/";
  EXPECT_EQ(StateFolder(TestEnv), "/var/ann/state/tarvs");
  // A relative value is not a valid XDG folder and is ignored.
  g_env["XDG_STATE_HOME"] = "state";
  EXPECT_EQ(StateFolder(TestEnv), "/home/ann/.local/state/tarvs");
  // No usable HOME: the password database names the home.
  g_env.erase("XDG_STATE_HOME");
  g_env["HOME"] = "relative/home";
  const std::string state = StateFolder(TestEnv);
  EXPECT_EQ(state.front(), '/') << state;
  EXPECT_NE(state.find("/.local/state/tarvs"), std::string::npos) << state;
}

TEST_F(UserDirsTest, UserDirsConfigIsReadAsXdgUserDirReadsIt) {
  const std::string home = "/home/ann";
  auto read = [&](const std::string& text) {
    return UserDirFromConfig(text.data(), text.size(), "XDG_PICTURES_DIR", home);
  };
  EXPECT_EQ(read("# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                 "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n"),
            "/home/ann/Bilder");
  EXPECT_EQ(read("XDG_PICTURES_DIR=\"/srv/pics/\""), "/srv/pics") << "no final newline";
  EXPECT_EQ(read("  XDG_PICTURES_DIR=\"$HOME\"\r\n"), "/home/ann") << "CR LF, indented";
  EXPECT_EQ(read("XDG_PICTURES_DIR=\"$HOME/My \\\"Shots\\\"\"\n"), "/home/ann/My \"Shots\"");
  EXPECT_EQ(read("XDG_PICTURES_DIR=$HOME/Unquoted  \n"), "/home/ann/Unquoted");
  EXPECT_EQ(read("XDG_PICTURES_DIR=\"$HOME/a\"\nXDG_PICTURES_DIR=\"$HOME/b\"\n"), "/home/ann/b")
      << "the last line wins, as in the shell";
  // Forms the file does not allow, and keys that only look alike.
  EXPECT_EQ(read("XDG_PICTURES_DIR=\"Pictures\"\n"), "");
  EXPECT_EQ(read("XDG_PICTURES_DIR=\"$USER/Pictures\"\n"), "");
  EXPECT_EQ(read("XDG_PICTURES_DIR=\"$HOMEPAGE\"\n"), "");
  EXPECT_EQ(read("XDG_PICTURES_DIRX=\"/x\"\nOLD_XDG_PICTURES_DIR=\"/y\"\n"), "");
  EXPECT_EQ(read("XDG_PICTURES_DIR="), "");
  EXPECT_EQ(read("XDG_PICTURES_DIR=\"\\"), "") << "a lone backslash at the end";
  EXPECT_EQ(read(""), "");
  // Binary junk: a NUL inside a value, an unterminated quote; in bounds.
  const char junk[] =
      "XDG_PICTURES_DIR=\"/c\"\nXDG_PICTURES_DIR=\"/a\0b\xff\n\0\0\n"
      "XDG_PICTURES_DIR=\"/d";
  EXPECT_EQ(read(std::string(junk, sizeof junk - 1)), "/d");
  EXPECT_EQ(read(std::string(junk, sizeof junk - 25)), "/c") << "the value with a NUL is refused";
}

TEST_F(UserDirsTest, PicturesFolderPrefersUserDirsThenTheVariableElseHomePictures) {
  const fs::path home = root_ / "home";
  fs::create_directories(home / ".config");
  g_env["HOME"] = home.string();
  EXPECT_EQ(PicturesFolder(TestEnv), (home / "Pictures/TARVS").string()) << "nothing set";

  g_env["XDG_PICTURES_DIR"] = "/media/shots";
  EXPECT_EQ(PicturesFolder(TestEnv), "/media/shots/TARVS");

  testutil::WriteFile((home / ".config/user-dirs.dirs").string(),
                      "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
  EXPECT_EQ(PicturesFolder(TestEnv), (home / "Bilder/TARVS").string()) << "the file wins";

  // XDG_CONFIG_HOME moves the file.
  fs::create_directories(root_ / "cfg");
  testutil::WriteFile((root_ / "cfg/user-dirs.dirs").string(), "XDG_PICTURES_DIR=\"/pics\"\n");
  g_env["XDG_CONFIG_HOME"] = (root_ / "cfg").string();
  EXPECT_EQ(PicturesFolder(TestEnv), "/pics/TARVS");

  // A folder switched off (set to the home itself) falls back to ~/Pictures.
  testutil::WriteFile((root_ / "cfg/user-dirs.dirs").string(), "XDG_PICTURES_DIR=\"$HOME/\"\n");
  EXPECT_EQ(PicturesFolder(TestEnv), (home / "Pictures/TARVS").string());

  // A huge file is not read at all.
  testutil::WriteFile((root_ / "cfg/user-dirs.dirs").string(),
                      "XDG_PICTURES_DIR=\"/big\"\n" + std::string(1 << 20, '#'));
  g_env.erase("XDG_PICTURES_DIR");
  EXPECT_EQ(PicturesFolder(TestEnv), (home / "Pictures/TARVS").string());
}

TEST_F(UserDirsTest, OnlyAWritableUninstalledFolderKeepsTheLogAndScreenshots) {
  g_env["HOME"] = "/home/ann";
  TPlayerFolders here = ChoosePlayerFolders("/games/tarvs", false, true, TestEnv);
  EXPECT_EQ(here.logFile, "/games/tarvs/EngineLog.txt");
  EXPECT_EQ(here.shotFolder, "/games/tarvs");
  for (const TPlayerFolders& away : {ChoosePlayerFolders("/usr/share/tarvs", true, true, TestEnv),
                                     ChoosePlayerFolders("/games/tarvs", false, false, TestEnv)}) {
    EXPECT_EQ(away.logFile, "/home/ann/.local/state/tarvs/EngineLog.txt");
    EXPECT_EQ(away.shotFolder, "/home/ann/Pictures/TARVS");
  }
}

TEST_F(UserDirsTest, DataSearchFindsTheInstallAndUsesTheBuildTreeOnlyFromInsideIt) {
  // prefix/bin/TARVS with prefix/share/tarvs/data; a build tree with data.
  const fs::path prefix = root_ / "prefix";
  fs::create_directories(prefix / "bin");
  MakeData(prefix / "share/tarvs/data");
  const fs::path build = root_ / "build";
  MakeData(build / "data");
  const fs::path empty = root_ / "empty";
  fs::create_directories(empty);

  TDataSearch search;
  search.workFolder = empty.string();
  search.exeFolder = (prefix / "bin").string();
  search.installData = "../share/tarvs/data";
  search.buildTree = build.string();
  search.buildData = (build / "data").string();
  TDataPlace place;
  ASSERT_TRUE(FindGameData(nullptr, search, &place));
  EXPECT_EQ(place.root, fs::canonical(prefix / "share/tarvs").string());
  EXPECT_TRUE(place.installed);

  // The same data reached through --data is still the installed data.
  ASSERT_TRUE(FindGameData((prefix / "share/tarvs/data").string().c_str(), search, &place));
  EXPECT_TRUE(place.installed);

  // Data in the working folder comes first and is not the install.
  MakeData(empty / "data");
  ASSERT_TRUE(FindGameData(nullptr, search, &place));
  EXPECT_EQ(place.root, fs::canonical(empty).string());
  EXPECT_FALSE(place.installed);
  fs::remove_all(empty / "data");

  // Without the install, a program outside the build tree does not reach
  // into it: the search fails and names what it tried.
  fs::remove_all(prefix / "share");
  EXPECT_FALSE(FindGameData(nullptr, search, &place));
  EXPECT_EQ(place.tried.find(build.string()), std::string::npos) << place.tried;
  EXPECT_NE(place.tried.find("share/tarvs/data"), std::string::npos) << place.tried;

  // A program inside the build tree finds the build's data.
  search.exeFolder = (build / "sub").string();
  fs::create_directories(build / "sub");
  ASSERT_TRUE(FindGameData(nullptr, search, &place));
  EXPECT_EQ(place.root, fs::canonical(build).string());
  EXPECT_FALSE(place.installed);
  // A sibling whose name merely starts like the build tree is outside it.
  fs::create_directories(root_ / "build2");
  search.exeFolder = (root_ / "build2").string();
  EXPECT_FALSE(FindGameData(nullptr, search, &place));
}

TEST_F(UserDirsTest, FoldersAreMadeAndHandedToTheEngineAndFailuresSaySo) {
  const fs::path state = root_ / "state/deep/tarvs";
  const fs::path shots = root_ / "pics/TARVS";
  ::testing::internal::CaptureStderr();
  UsePlayerFolders({(state / "EngineLog.txt").string(), shots.string()});
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(fs::is_directory(state));
  EXPECT_TRUE(fs::is_directory(shots));
  EXPECT_NE(err.find("log in " + (state / "EngineLog.txt").string()), std::string::npos) << err;
  EXPECT_NE(err.find("screenshots in " + shots.string()), std::string::npos) << err;
  AddToLog("into the state folder");
  EXPECT_NE(testutil::ReadFile((state / "EngineLog.txt").string()).find("into the state folder"),
            std::string::npos);

  // A regular file where the folders should be: nothing can be made there.
  testutil::WriteFile((root_ / "blocked").string(), "x");
  ::testing::internal::CaptureStderr();
  UsePlayerFolders(
      {(root_ / "blocked/tarvs/EngineLog.txt").string(), (root_ / "blocked/TARVS").string()});
  err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("cannot write the log"), std::string::npos) << err;
  EXPECT_NE(err.find("cannot write screenshots"), std::string::npos) << err;

  // Enter then writes nothing: one line on stderr and on the HUD per press.
  HudMessage[0] = '\0';
  ::testing::internal::CaptureStderr();
  for (int tick = 0; tick < 5; ++tick) ScreenshotKey(true);
  ScreenshotKey(false);
  ScreenshotKey(true);
  err = ::testing::internal::GetCapturedStderr();
  ScreenshotKey(false);
  size_t lines = 0;
  for (size_t at = err.find("screenshot not saved"); at != std::string::npos;
       at = err.find("screenshot not saved", at + 1))
    ++lines;
  EXPECT_EQ(lines, 2u) << err;
  EXPECT_STREQ(HudMessage, RU("Снимок не сохранён: папка закрыта для записи"));
}
