// The engine log: time stamps, CR LF, Windows-1251 text, an unwritable
// log, FileExists and the GL error report.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#endif

#include <GL/gl.h>
#include <cctype>
#include <string>

#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "Internal.h"
#include "TestPlatform.h"
#include "testutil.h"

namespace {

const char* const kLog = "EngineLog.txt";

bool IsStamp(const std::string& line) {
  if (line.size() < 9) return false;
  for (int i : {0, 1, 3, 4, 6, 7})
    if (!std::isdigit(static_cast<unsigned char>(line[i]))) return false;
  return line[2] == ':' && line[5] == ':' && line[8] == ' ';
}

class LogTest : public ::testing::Test {
protected:
  void SetUp() override { testutil::RemoveFile(kLog); }
  void TearDown() override {
    SetLogFile(nullptr);
    testutil::RemoveFile(kLog);
  }
};

}  // namespace

TEST_F(LogTest, EntriesCarryTimeStampAndCrLfInOrder) {
  AddToLog("first %d", 1);
  AddToLog("%s", "second");
  AddToLog("----\n");  // a message ending in LF leaves an empty line
  const std::string log = testutil::ReadFile(kLog);
  ASSERT_EQ(log.size(), 3 * 9 + std::string("first 1\r\nsecond\r\n----\r\n\r\n").size());
  EXPECT_TRUE(IsStamp(log.substr(0, 9)));
  EXPECT_EQ(log.substr(9, 9), "first 1\r\n");
  EXPECT_TRUE(IsStamp(log.substr(18, 9)));
  EXPECT_EQ(log.substr(27, 8), "second\r\n");
  EXPECT_TRUE(IsStamp(log.substr(35, 9)));
  EXPECT_EQ(log.substr(44), "----\r\n\r\n");
  // Stamp fields are in range (the clock is local time).
  EXPECT_LT(std::stoi(log.substr(0, 2)), 24);
  EXPECT_LT(std::stoi(log.substr(3, 2)), 60);
  EXPECT_LT(std::stoi(log.substr(6, 2)), 61);
}

TEST_F(LogTest, RussianTextIsWindows1251AndLongMessagesAreCut) {
  AddToLog(RU("Освобождено %d текстур"), 3);
  const std::string longText(400, 'x');
  AddToLog("%s", longText.c_str());
  const std::string log = testutil::ReadFile(kLog);
  const std::string first =
      "\xCE\xF1\xE2\xEE\xE1\xEE\xE6\xE4\xE5\xED\xEE 3 \xF2\xE5\xEA\xF1\xF2\xF3\xF0\r\n";
  ASSERT_GE(log.size(), 9 + first.size());
  EXPECT_EQ(log.substr(9, first.size()), first);
  const std::string second = log.substr(9 + first.size());
  EXPECT_EQ(second.size(), 9u + 255u + 2u);
  EXPECT_EQ(second.substr(9), std::string(255, 'x') + "\r\n");
}

TEST_F(LogTest, UnwritableLogIsSkippedAfterOneLineOnStderr) {
  ASSERT_TRUE(testos::MakeDir(kLog));
  ::testing::internal::CaptureStderr();
  AddToLog("lost %d", 1);  // must not crash or write elsewhere
  AddToLog("lost %d", 2);
  GlError("x");
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("cannot write the log EngineLog.txt"), std::string::npos) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line, not one per entry: " << err;
  // A caller told by SetLogFile's false result says it itself.
  EXPECT_FALSE(SetLogFile(kLog));
  ::testing::internal::CaptureStderr();
  AddToLog("lost %d", 3);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  struct stat info;
  ASSERT_EQ(stat(kLog, &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  rmdir(kLog);
}

TEST_F(LogTest, SetLogFileMovesTheLogAndNullGoesBack) {
  testos::MakeDir("logs");
  EXPECT_TRUE(SetLogFile("logs/run.log"));
  AddToLog("moved");
  EXPECT_NE(testutil::ReadFile("logs/run.log").find("moved\r\n"), std::string::npos);
  EXPECT_FALSE(FileExists(kLog));
  // A new window starts a new log in the place set.
  core::StartNewLog();
  EXPECT_FALSE(FileExists("logs/run.log"));

  // A folder that does not exist is reported, and used all the same.
  EXPECT_FALSE(SetLogFile("missing/run.log"));
  EXPECT_STREQ(core::LogPath(), "missing/run.log");
  // Too long a path is refused and the place stays.
  const std::string tooLong = "logs/" + std::string(5000, 'x');
  EXPECT_FALSE(SetLogFile(tooLong.c_str()));
  EXPECT_STREQ(core::LogPath(), "missing/run.log");

  for (const char* back : {static_cast<const char*>(nullptr), ""}) {
    SetLogFile("logs/run.log");
    EXPECT_TRUE(SetLogFile(back));
    EXPECT_STREQ(core::LogPath(), kLog);
  }
  AddToLog("home again");
  EXPECT_NE(testutil::ReadFile(kLog).find("home again"), std::string::npos);
  testutil::RemoveFile("logs/run.log");
  rmdir("logs");
}

TEST_F(LogTest, ANewLogRemovesOnlyAFileOrALink) {
#if defined(_WIN32)
  GTEST_SKIP() << "needs a FIFO and a symbolic link to /dev/null";
#else
  // A log pointed at a device or a pipe (as /dev/null) is never deleted.
  ASSERT_EQ(mkfifo("pipe.log", 0644), 0);
  SetLogFile("pipe.log");
  core::StartNewLog();
  struct stat info;
  EXPECT_EQ(lstat("pipe.log", &info), 0);
  unlink("pipe.log");
  ASSERT_EQ(symlink("/dev/null", "null.log"), 0);
  SetLogFile("null.log");
  core::StartNewLog();
  EXPECT_NE(lstat("null.log", &info), 0) << "the link itself goes";
  EXPECT_EQ(stat("/dev/null", &info), 0);
  SetLogFile(nullptr);
#endif
}

// The log is held open between entries; each entry must still be in the
// file the moment AddToLog returns, so a program that dies (no exit
// handlers, no flushing of streams) loses none of its lines.
TEST_F(LogTest, EveryEntryIsInTheFileWhenTheProgramDiesRightAfter) {
#if defined(_WIN32)
  GTEST_SKIP() << "needs fork to end a copy of the program without its exit handlers";
#else
  AddToLog("parent before");
  for (int death = 0; death < 2; death++) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      AddToLog("child %d line 1", death);
      AddToLog("child %d line 2", death);
      if (death == 0) _exit(0);
      const rlimit noCore = {0, 0};
      setrlimit(RLIMIT_CORE, &noCore);
      std::abort();
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(death == 0, WIFEXITED(status));
  }
  AddToLog("parent after");
  const std::string log = testutil::ReadFile(kLog);
  size_t at = 0;
  for (const char* line : {"parent before\r\n", "child 0 line 1\r\n", "child 0 line 2\r\n",
                           "child 1 line 1\r\n", "child 1 line 2\r\n", "parent after\r\n"}) {
    const size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << " missing or out of order in:\n" << log;
    at = found;
  }
#endif
}

// The open log follows its name: deleted or replaced while open, or named
// relative to a working folder that changed, the next entry goes to the
// file the name leads to now.
TEST_F(LogTest, EntriesFollowTheLogsNameWhileItIsHeldOpen) {
  AddToLog("one");
  testutil::RemoveFile(kLog);
  AddToLog("two");
  EXPECT_EQ(testutil::ReadFile(kLog).substr(9), "two\r\n") << "a deleted log starts again";

  ASSERT_TRUE(testutil::WriteFile(kLog, "kept\r\n"));
  AddToLog("three");
  EXPECT_EQ(testutil::ReadFile(kLog).substr(0, 6), "kept\r\n");
  EXPECT_NE(testutil::ReadFile(kLog).find("three\r\n"), std::string::npos);

  testos::MakeDir("elsewhere");
  ASSERT_EQ(chdir("elsewhere"), 0);
  AddToLog("four");
  const std::string moved = testutil::ReadFile(kLog);
  ASSERT_EQ(chdir(".."), 0);
  EXPECT_EQ(moved.substr(9), "four\r\n") << "a relative name is taken in the new working folder";
  EXPECT_EQ(testutil::ReadFile(kLog).find("four"), std::string::npos);
  testutil::RemoveFile("elsewhere/EngineLog.txt");
  rmdir("elsewhere");
}

TEST_F(LogTest, FileExists) {
  testutil::WriteFile("exists.bin", "1");
  testos::MakeDir("somedir");
  EXPECT_TRUE(FileExists("exists.bin"));
  EXPECT_TRUE(FileExists("somedir"));
  EXPECT_FALSE(FileExists("missing.bin"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(nullptr));
  testutil::RemoveFile("exists.bin");
  rmdir("somedir");
}

TEST_F(LogTest, GlErrorLogsPendingErrorsOnceWithAndWithoutContext) {
  // Without a context there is nothing to report and no file appears.
  GlError();
  EXPECT_FALSE(FileExists(kLog));

  ASSERT_TRUE(testutil::OpenContext(64, 64));
  while (glGetError() != GL_NO_ERROR) {}
  GlError();
  EXPECT_FALSE(FileExists(kLog)) << "no pending error must not touch the log";

  glEnable(0x7FFF);  // GL_INVALID_ENUM
  GlError();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  glEnable(0x7FFF);
  GlError(RU("бинд текстуры"));

  std::string log = testutil::ReadFile(kLog);
  const std::string plain = "glError: invalid enumerant (1280)\r\n";
  const std::string named =
      "\xE1\xE8\xED\xE4 \xF2\xE5\xEA\xF1\xF2\xF3\xF0\xFB glError: invalid enumerant (1280)\r\n";
  ASSERT_EQ(log.size(), 9 + plain.size() + 9 + named.size());
  EXPECT_TRUE(IsStamp(log.substr(0, 9)));
  EXPECT_EQ(log.substr(9, plain.size()), plain);
  EXPECT_EQ(log.substr(18 + plain.size()), named);
  testutil::CloseContext();
}
