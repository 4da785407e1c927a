// Core: the engine log ("EngineLog.txt" in the working directory, or the
// file the game names with SetLogFile) and the GL error report.
//
// The file is opened once, on the first entry after start or after the
// log's place changes, and kept open; every entry is flushed through to the
// file as it is written, so the log is complete on disk even if the program
// dies right after.
// Lines end in CR LF and every LF inside a message becomes CR LF too, the
// way a text-mode file on the original platform writes them.
#include "Internal.h"
#include "platform/Platform.h"

#include <GL/glu.h>
#include <SDL2/SDL.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

namespace {

const char* const kDefaultLogName = "EngineLog.txt";
// Longest log path kept, terminator included (PATH_MAX on Linux).
constexpr size_t kLogPathSize = 4096;

char g_logPath[kLogPathSize] = "EngineLog.txt";
// The open log (appending), or null until the next entry opens it.
std::FILE* g_logFile = nullptr;
// Set once stderr has been told the current log file cannot be written,
// so a read-only place costs one line, not one per entry.
bool g_failureReported = false;

// Upper bound on the errors one GlError call reports: a broken driver that
// never stops returning errors must not hang the engine.
const int kMaxErrorsPerReport = 64;

struct TClock {
  int hour, minute, second;
};

TClock LocalClock() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  platform::LocalTime(now, &parts);
  return TClock{parts.tm_hour, parts.tm_min, parts.tm_sec};
}

// Writes `text` with every LF turned into CR LF.
void WriteTextMode(std::FILE* f, const char* text) {
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') std::fputc('\r', f);
    std::fputc(*p, f);
  }
}

void CloseLogFile() {
  if (g_logFile) std::fclose(g_logFile);
  g_logFile = nullptr;
}

// Appends one line "HH:MM:SS <message>" to the log and flushes it. When the
// file cannot be opened the entry is dropped (the next entry tries again);
// the first such failure for this log file is reported on stderr.
void AppendEntry(const TClock& t, const char* message) {
  // The open file must still be the one the log's name leads to: a log
  // deleted or replaced while open (by the player, a new run's clean-up) or
  // a relative name after the working folder changed is opened again by
  // name rather than written into the file no longer there.
  if (g_logFile && !platform::StillSameFile(g_logPath, g_logFile)) CloseLogFile();
  if (!g_logFile) g_logFile = std::fopen(g_logPath, "ab");
  std::FILE* f = g_logFile;
  if (!f) {
    if (!g_failureReported) {
      g_failureReported = true;
      std::fprintf(stderr, "CorvaneEngine: cannot write the log %s (%s); going on without it\n",
                   g_logPath, std::strerror(errno));
    }
    return;
  }
  std::fprintf(f, "%02d:%02d:%02d ", t.hour, t.minute, t.second);
  WriteTextMode(f, message);
  WriteTextMode(f, "\n");
  // A failed write (a full disk) drops the handle: the next entry opens
  // the file again rather than writing into a stream in error.
  if (std::fflush(f) != 0 || std::ferror(f)) CloseLogFile();
  // Where an open file cannot be deleted, the log is not held between
  // entries, so removing it while the game runs still works.
  else if (platform::OpenFilesBlockDeletion())
    CloseLogFile();
}

// True when an entry could be appended to `path`: the file exists as a
// regular file and is writable, or it is missing and its folder is
// writable.
bool LogPlaceWritable(const char* path) {
  if (!platform::PathMissing(path)) return platform::FileWritable(path);
  const char* slash = nullptr;
  for (const char* p = path; *p; ++p)
    if (platform::IsPathSeparator(*p)) slash = p;
  if (!slash) return platform::FolderWritable(".");
  if (slash == path) return platform::FolderWritable("/");
  char folder[kLogPathSize];
  const size_t length = static_cast<size_t>(slash - path);
  std::memcpy(folder, path, length);
  folder[length] = '\0';
  return platform::FolderWritable(folder);
}

void ReportGlErrors(const char* context) {
  // Without a current context there is nothing to ask.
  if (!SDL_GL_GetCurrentContext()) return;
  const TClock t = LocalClock();
  for (int i = 0; i < kMaxErrorsPerReport; ++i) {
    const GLenum code = glGetError();
    if (code == GL_NO_ERROR) return;
    const GLubyte* text = gluErrorString(code);
    const char* name = text ? reinterpret_cast<const char*>(text) : "?";
    char message[512];
    if (context)
      std::snprintf(message, sizeof message, "%s glError: %s (%d)", context, name,
                    static_cast<int>(code));
    else
      std::snprintf(message, sizeof message, "glError: %s (%d)", name, static_cast<int>(code));
    AppendEntry(t, message);
  }
}

}  // namespace

void AddToLog(const char* format, ...) {
  const TClock t = LocalClock();
  char message[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format ? format : "", args);
  va_end(args);
  AppendEntry(t, message);
}

void GlError() { ReportGlErrors(nullptr); }

void GlError(const char* context) { ReportGlErrors(context ? context : ""); }

bool FileExists(const char* path) {
  if (!path || !*path) return false;
  return platform::PathExists(path);
}

namespace core {
const char* LogPath() { return g_logPath; }

void StartNewLog() {
  CloseLogFile();
  platform::RemoveFileOrLink(g_logPath);
}
}  // namespace core

bool SetLogFile(const char* path) {
  if (!path || !*path) path = kDefaultLogName;
  const size_t length = std::strlen(path);
  if (length >= kLogPathSize) return false;
  CloseLogFile();
  std::memcpy(g_logPath, path, length + 1);
  // A false result is the caller's to report; the entries then do not
  // repeat it.
  const bool writable = LogPlaceWritable(g_logPath);
  g_failureReported = !writable;
  return writable;
}
