// Core: the engine log "EngineLog.txt" and the GL error report.
//
// Every entry opens the file for appending, writes one line and closes it,
// so the log is complete on disk even if the program dies right after.
// Lines end in CR LF and every LF inside a message becomes CR LF too, the
// way a text-mode file on the original platform writes them.
#include "Internal.h"

#include <GL/glu.h>
#include <SDL2/SDL.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace {

const char* const kLogName = "EngineLog.txt";

// Upper bound on the errors one GlError call reports: a broken driver that
// never stops returning errors must not hang the engine.
const int kMaxErrorsPerReport = 64;

struct TClock {
  int hour, minute, second;
};

TClock LocalClock() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return TClock{parts.tm_hour, parts.tm_min, parts.tm_sec};
}

// Writes `text` with every LF turned into CR LF.
void WriteTextMode(std::FILE* f, const char* text) {
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') std::fputc('\r', f);
    std::fputc(*p, f);
  }
}

// Appends one line "HH:MM:SS <message>" to the log; silently does nothing
// when the file cannot be opened.
void AppendEntry(const TClock& t, const char* message) {
  std::FILE* f = std::fopen(kLogName, "ab");
  if (!f) return;
  std::fprintf(f, "%02d:%02d:%02d ", t.hour, t.minute, t.second);
  WriteTextMode(f, message);
  WriteTextMode(f, "\n");
  std::fclose(f);
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
  struct stat info;
  return stat(path, &info) == 0;
}
