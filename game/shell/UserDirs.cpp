// The player's folders: the XDG state and pictures folders, the choice
// between them and the folder holding data/, handing them to the engine,
// and the screenshot key that says so when its folder cannot be written.
#include "shell/UserDirs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BoundedReader.h"
#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "hud/Hud.h"
#include "platform/Platform.h"

namespace {

// user-dirs.dirs is a few hundred bytes; anything past this is not one.
constexpr size_t kMaxUserDirsFile = size_t{64} << 10;

// The screenshot folder handed to the engine; empty: the working folder.
std::string g_shotFolder;
bool g_enterWasDown = false;

bool IsAbsolute(const char* path) { return path && path[0] == '/'; }

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The value after "KEY=" on one line: quotes removed, backslash escapes
// undone, a leading $HOME replaced. Empty for any other form.
std::string ConfigValue(const char* p, const char* end, const std::string& home) {
  std::string value;
  const bool quoted = p < end && *p == '"';
  if (quoted) ++p;
  for (; p < end; ++p) {
    if (quoted && *p == '"') break;
    if (*p == '\\' && p + 1 < end) {
      value += *++p;
      continue;
    }
    value += *p;
  }
  // A NUL would cut the path short wherever it is used.
  if (value.find('\0') != std::string::npos) return std::string();
  if (!quoted) {
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
  }
  if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
    if (home.empty()) return std::string();
    return WithoutTrailingSlashes(home + value.substr(5));
  }
  if (!IsAbsolute(value.c_str())) return std::string();
  return WithoutTrailingSlashes(value);
}

}  // namespace

const char* ProcessEnv(const char* name) { return std::getenv(name); }

std::string HomeFolder(TEnvLookup env) {
  const char* home = env("HOME");
  if (IsAbsolute(home)) return WithoutTrailingSlashes(home);
  const std::string account = os::AccountHome();
  if (os::IsAbsolutePath(account.c_str())) return WithoutTrailingSlashes(account);
  return std::string();
}

std::string StateFolder(TEnvLookup env) {
  const char* state = env("XDG_STATE_HOME");
  if (IsAbsolute(state)) return WithoutTrailingSlashes(state) + "/tarvs";
  const std::string home = HomeFolder(env);
  if (home.empty()) return std::string();
  return home + "/.local/state/tarvs";
}

std::string UserDirFromConfig(const char* text, size_t size, const char* key,
                              const std::string& home) {
  std::string found;
  const size_t keyLength = std::strlen(key);
  const char* end = text + size;
  for (const char* line = text; line < end;) {
    const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', end - line));
    if (!lineEnd) lineEnd = end;
    const char* p = line;
    while (p < lineEnd && (*p == ' ' || *p == '\t')) ++p;
    const char* valueEnd = lineEnd;
    if (valueEnd > p && valueEnd[-1] == '\r') --valueEnd;
    if (static_cast<size_t>(valueEnd - p) > keyLength && std::memcmp(p, key, keyLength) == 0 &&
        p[keyLength] == '=') {
      const std::string value = ConfigValue(p + keyLength + 1, valueEnd, home);
      if (!value.empty()) found = value;
    }
    line = lineEnd + 1;
  }
  return found;
}

std::string PicturesFolder(TEnvLookup env) {
  const std::string home = HomeFolder(env);
  if (home.empty()) return std::string();
  const char* configHome = env("XDG_CONFIG_HOME");
  const std::string config =
      (IsAbsolute(configHome) ? WithoutTrailingSlashes(configHome) : home + "/.config") +
      "/user-dirs.dirs";
  std::string pictures;
  bounded::FileBytes bytes;
  if (bounded::ReadFileCapped(config.c_str(), kMaxUserDirsFile, &bytes) == bounded::ReadResult::kOk)
    pictures = UserDirFromConfig(reinterpret_cast<const char*>(bytes.data()), bytes.size(),
                                 "XDG_PICTURES_DIR", home);
  const char* fromEnv = env("XDG_PICTURES_DIR");
  if (pictures.empty() && IsAbsolute(fromEnv)) pictures = WithoutTrailingSlashes(fromEnv);
  // The home itself means the folder is switched off: keep pictures out of it.
  if (pictures.empty() || pictures == home) pictures = home + "/Pictures";
  return pictures + "/TARVS";
}

TPlayerFolders ChoosePlayerFolders(const std::string& root, bool installed, bool rootWritable,
                                   TEnvLookup env) {
  TPlayerFolders folders;
  if (!installed && rootWritable) {
    folders.logFile = root + "/EngineLog.txt";
    folders.shotFolder = root;
    return folders;
  }
  // The system's own places where it has them (Windows), else XDG's.
  os::TKnownFolders known;
  const bool system = os::KnownFolders(&known);
  const std::string state = system ? known.state : StateFolder(env);
  folders.logFile = state.empty() ? std::string() : state + "/EngineLog.txt";
  folders.shotFolder = system ? known.pictures : PicturesFolder(env);
  return folders;
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty()) return false;
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i < folder.size() && !os::IsSeparator(folder[i])) continue;
    if (!os::MakeFolder(folder.substr(0, i), 0755)) return false;
  }
  return os::IsFolder(folder);
}

bool FolderWritable(const std::string& folder) { return os::FolderWritable(folder); }

void UsePlayerFolders(const TPlayerFolders& folders) {
  bool logOk = false;
  if (!folders.logFile.empty()) {
    size_t slash = std::string::npos;
    for (size_t i = 0; i < folders.logFile.size(); ++i)
      if (os::IsSeparator(folders.logFile[i])) slash = i;
    if (slash != std::string::npos && slash > 0) MakeFolders(folders.logFile.substr(0, slash));
    logOk = SetLogFile(folders.logFile.c_str());
  }
  const bool shotsOk =
      MakeFolders(folders.shotFolder) && SetScreenshotFolder(folders.shotFolder.c_str());
  g_shotFolder = folders.shotFolder;
  if (!logOk)
    std::fprintf(stderr, "TARVS: cannot write the log %s; the game goes on without a log\n",
                 folders.logFile.empty() ? "(no home folder)" : folders.logFile.c_str());
  if (!shotsOk) {
    std::fprintf(stderr, "TARVS: cannot write screenshots into %s; Enter will say so\n",
                 folders.shotFolder.empty() ? "(no home folder)" : folders.shotFolder.c_str());
  }
  if (logOk && shotsOk)
    std::fprintf(stderr, "TARVS: log in %s, screenshots in %s\n", folders.logFile.c_str(),
                 folders.shotFolder.c_str());
  else if (logOk)
    std::fprintf(stderr, "TARVS: log in %s\n", folders.logFile.c_str());
  else if (shotsOk)
    std::fprintf(stderr, "TARVS: screenshots in %s\n", folders.shotFolder.c_str());
}

void ScreenshotKey(bool down) {
  const bool newPress = down && !g_enterWasDown;
  g_enterWasDown = down;
  if (!down) return;
  // A folder removed while playing is made again.
  if (g_shotFolder.empty() || FolderWritable(g_shotFolder) ||
      (MakeFolders(g_shotFolder) && FolderWritable(g_shotFolder))) {
    MakeScreenShoot();
    return;
  }
  if (!newPress) return;
  std::fprintf(stderr, "TARVS: screenshot not saved: cannot write into %s\n", g_shotFolder.c_str());
  ShowMessage(RU("Снимок не сохранён: папка закрыта для записи"));
}
