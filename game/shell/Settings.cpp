// The player's settings file: its place, the reader (line by line; a bad
// line is reported with the file and line number and keeps its setting's
// default), the writer that remembers the window (only the window's lines
// change, through a temporary file renamed over the old one), and the
// hand-over of the settings to the engine.
#include "shell/Settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "BoundedReader.h"
#include "CorvaneEngine.h"
#include "Cp1251.h"
#include "platform/Platform.h"

TSettings Settings;
std::string SettingsPath;
TSettingsProblems SettingsProblems;

namespace {

// One line cut into its parts: the key, and the value with where it lies,
// so a writer can replace the value and keep everything around it.
struct TLine {
  std::string key;
  std::string value;
  size_t valueStart = 0;  // offsets into the line (without its line end)
  size_t valueEnd = 0;
  bool hasEquals = false;
  bool blank = true;  // empty or a comment
};

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

TLine Split(const std::string& line) {
  TLine out;
  size_t i = 0;
  while (i < line.size() && IsSpace(line[i])) ++i;
  if (i == line.size() || line[i] == '#' || line[i] == ';') return out;
  out.blank = false;
  const size_t eq = line.find('=', i);
  size_t keyEnd = eq == std::string::npos ? line.size() : eq;
  while (keyEnd > i && IsSpace(line[keyEnd - 1])) --keyEnd;
  out.key = line.substr(i, keyEnd - i);
  if (eq == std::string::npos) return out;
  out.hasEquals = true;
  size_t v = eq + 1;
  while (v < line.size() && IsSpace(line[v])) ++v;
  // A comment may follow the value after white space.
  size_t end = v;
  while (end < line.size() && !(line[end] == '#' && (end == v || IsSpace(line[end - 1])))) ++end;
  while (end > v && IsSpace(line[end - 1])) --end;
  out.valueStart = v;
  out.valueEnd = end;
  out.value = line.substr(v, end - v);
  return out;
}

// User text made safe for a log line: printable ASCII only, at most 40 bytes.
std::string Quote(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size() && i < 40; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  }
  if (text.size() > 40) out += "...";
  return out;
}

bool ParseBool(const std::string& v, bool* out) {
  const char* yes[] = {"yes", "on", "true", "1"};
  const char* no[] = {"no", "off", "false", "0"};
  for (const char* y : yes)
    if (strcasecmp(v.c_str(), y) == 0) return *out = true, true;
  for (const char* n : no)
    if (strcasecmp(v.c_str(), n) == 0) return *out = false, true;
  return false;
}

bool ParseInt(const std::string& v, int lo, int hi, int* out) {
  if (v.empty() || v.size() > 9) return false;
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 10);
  if (*end != '\0' || n < lo || n > hi) return false;
  *out = static_cast<int>(n);
  return true;
}

bool ParseSize(const std::string& v, int* w, int* h) {
  const size_t x = v.find_first_of("xX");
  if (x == std::string::npos) return false;
  return ParseInt(v.substr(0, x), 1, 16384, w) && ParseInt(v.substr(x + 1), 1, 16384, h);
}

// A text file holds no control bytes but tabs and line ends.
bool IsText(const unsigned char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    const unsigned char c = data[i];
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return false;
  }
  return true;
}

// The file's text without a leading UTF-8 byte-order mark.
std::string TextOf(const unsigned char* data, size_t size) {
  size_t skip = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
  return std::string(reinterpret_cast<const char*>(data) + skip, size - skip);
}

int ActionOf(const std::string& name) {
  for (int a = 0; a < ACTION_COUNT; ++a)
    if (strcasecmp(Actions[a].name, name.c_str()) == 0) return a;
  return -1;
}

// Applies one key and value; null when it is sound, otherwise what was
// wrong (the part after the file and line number), written into buf.
const char* Apply(const TLine& l, TSettings* s, char* buf, size_t bufSize) {
  const std::string& k = l.key;
  const std::string& v = l.value;
  const char* key = k.c_str();
  if (!l.hasEquals) {
    std::snprintf(buf, bufSize, RU("нет знака «=» в «%s», строка пропущена"), Quote(k).c_str());
    return buf;
  }
  bool ok = true;
  if (strcasecmp(key, "fullscreen") == 0) {
    ok = ParseBool(v, &s->fullScreen);
  } else if (strcasecmp(key, "window_size") == 0) {
    int w = 0, h = 0;
    ok = ParseSize(v, &w, &h);
    if (ok) s->windowWidth = w, s->windowHeight = h;
  } else if (strcasecmp(key, "vsync") == 0) {
    ok = ParseBool(v, &s->vsync);
  } else if (strcasecmp(key, "frame_cap") == 0) {
    ok = ParseInt(v, -1, 1000, &s->frameCap);
  } else if (strcasecmp(key, "volume") == 0) {
    ok = ParseInt(v, 0, 100, &s->volume);
  } else if (strcasecmp(key, "pause_on_focus_loss") == 0) {
    ok = ParseBool(v, &s->pauseOnFocusLoss);
  } else if ((strncasecmp(key, "key_", 4) == 0 || strncasecmp(key, "pad_", 4) == 0) &&
             ActionOf(k.substr(4)) >= 0) {
    const bool pad = strncasecmp(key, "pad_", 4) == 0;
    TBinding& b = s->bindings[ActionOf(k.substr(4))];
    char bad[48] = "";
    if (!(pad ? ParsePadList(v.c_str(), &b, bad, sizeof bad)
              : ParseKeyList(v.c_str(), &b, bad, sizeof bad))) {
      std::snprintf(buf, bufSize,
                    pad ? RU("неизвестная кнопка геймпада «%s» в %s (или больше %d), оставлено "
                             "как было")
                        : RU("неизвестная клавиша «%s» в %s (или больше %d), оставлено как было"),
                    Quote(bad).c_str(), Quote(k).c_str(), BIND_MAX);
      return buf;
    }
    return nullptr;
  } else {
    std::snprintf(buf, bufSize, RU("неизвестный ключ «%s», строка пропущена"), Quote(k).c_str());
    return buf;
  }
  if (ok) return nullptr;
  std::snprintf(buf, bufSize, RU("неверное значение «%s» для %s, оставлено как было"),
                Quote(v).c_str(), key);
  return buf;
}

// Splits text into lines, each with its own line end ("\n", "\r\n" or ""
// for a last line without one).
template <typename F>
void ForEachLine(const std::string& text, F f) {
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    const size_t next = nl == std::string::npos ? text.size() : nl + 1;
    size_t end = nl == std::string::npos ? text.size() : nl;
    if (end > start && text[end - 1] == '\r') --end;
    f(text.substr(start, end - start), text.substr(end, next - end));
    start = next;
  }
}

std::string WindowSizeText(int w, int h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%dx%d", w, h);
  return buf;
}

std::string Join(const int* codes, int count, const char* (*name)(int)) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    const char* n = name(codes[i]);
    if (!n) continue;
    if (!out.empty()) out += ", ";
    out += n;
  }
  return out;
}

// A new file: every setting with its default and a word on what it does.
std::string NewFileText(bool fullScreen, int width, int height) {
  const TSettings d;
  std::string t =
      "# TARVS settings: one \"key = value\" a line; a line starting with # is a comment.\n"
      "# When the game quits it rewrites only fullscreen and window_size (the window as\n"
      "# you left it); every other line stays as you wrote it.\n"
      "\n"
      "# yes: full screen; no: a window of window_size pixels (F11 switches in the game)\n";
  t += std::string("fullscreen = ") + (fullScreen ? "yes" : "no") + "\n";
  t += "window_size = " + WindowSizeText(width, height) + "\n";
  t += "# wait for the display's refresh before showing a frame (on/off)\n";
  t += std::string("vsync = ") + (d.vsync ? "on" : "off") + "\n";
  t += "# frames a second at most: 0 no limit, -1 the display's refresh rate\n";
  t += "frame_cap = " + std::to_string(d.frameCap) + "\n";
  t += "# master volume, 0 (silent) to 100\n";
  t += "volume = " + std::to_string(d.volume) + "\n";
  t += "# pause while the window does not have the focus (yes/no)\n";
  t += std::string("pause_on_focus_loss = ") + (d.pauseOnFocusLoss ? "yes" : "no") + "\n";
  t += "\n"
       "# Controls: key_ACTION = keyboard keys, pad_ACTION = pad buttons or stick and\n"
       "# trigger directions, comma-separated, at most 4 (empty: none). Keys: A..Z, 0..9,\n"
       "# F1..F24, Left, Right, Up, Down, Space, Enter, Escape, Ctrl, Shift, Tab, ...\n"
       "# Pad: A, B, X, Y, Back, Start, LeftShoulder, RightShoulder, DPadUp/Down/Left/Right,\n"
       "# LeftTrigger, RightTrigger, LeftStickLeft/Right/Up/Down, RightStickLeft/Right/Up/Down.\n";
  for (int a = 0; a < ACTION_COUNT; ++a) {
    const TBinding& b = d.bindings[a];
    t += std::string("key_") + Actions[a].name + " = " + Join(b.keys, b.keyCount, KeyName) + "\n";
    t += std::string("pad_") + Actions[a].name + " = " + Join(b.pads, b.padCount, PadInputName) +
         "\n";
  }
  return t;
}

// Makes every missing folder on the way to the file's folder.
bool MakeParents(const std::string& path) {
  for (size_t i = 1; i < path.size(); ++i) {
    if (!os::IsSeparator(path[i])) continue;
    if (!os::MakeFolder(path.substr(0, i), 0700)) return false;
  }
  return true;
}

}  // namespace

void TSettingsProblems::Add(const char* line) {
  if (count < SETTINGS_MAX_PROBLEMS)
    lines[count++] = line;
  else
    ++dropped;
}

std::string DefaultSettingsPath() {
  os::TKnownFolders known;
  if (os::KnownFolders(&known))
    return known.config.empty() ? std::string() : known.config + "/settings.ini";
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/tarvs/settings.ini";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config/tarvs/settings.ini";
  return std::string();
}

std::string SettingsPathFrom(const char* option) {
  if (!option) return DefaultSettingsPath();
  if (os::IsAbsolutePath(option)) return option;
  const std::string cwd = os::WorkingFolder();
  if (cwd.empty()) return option;
  return cwd + "/" + option;
}

void ParseSettings(const char* text, size_t size, const char* fileName, TSettings* settings,
                   TSettingsProblems* problems) {
  int number = 0;
  bool fullScreenGiven = false;
  bool sizeGiven = false;
  ForEachLine(std::string(text, size), [&](const std::string& line, const std::string&) {
    ++number;
    const TLine l = Split(line);
    if (l.blank) return;
    fullScreenGiven = fullScreenGiven || strcasecmp(l.key.c_str(), "fullscreen") == 0;
    sizeGiven = sizeGiven || strcasecmp(l.key.c_str(), "window_size") == 0;
    char what[256];
    if (const char* wrong = Apply(l, settings, what, sizeof what)) {
      char full[400];
      std::snprintf(full, sizeof full, RU("Настройки %s, строка %d: %s"), fileName, number, wrong);
      problems->Add(full);
    }
  });
  // Asking for a window size asks for a window, as --size does.
  if (sizeGiven && !fullScreenGiven && settings->windowWidth > 0) settings->fullScreen = false;
}

bool LoadSettings(const char* path, TSettings* settings, TSettingsProblems* problems) {
  bounded::FileBytes file;
  char line[400];
  switch (bounded::ReadFileCapped(path, SETTINGS_MAX_BYTES, &file)) {
    case bounded::ReadResult::kOk: break;
    case bounded::ReadResult::kNoFile:
      if (errno == ENOENT) return true;  // no file yet: the defaults
      std::snprintf(line, sizeof line,
                    RU("Настройки %s не читаются (%s), взяты настройки по "
                       "умолчанию"),
                    path, std::strerror(errno));
      problems->Add(line);
      return false;
    case bounded::ReadResult::kTooLarge:
      std::snprintf(line, sizeof line,
                    RU("Настройки %s: файл больше %d байт, взяты настройки по умолчанию"), path,
                    static_cast<int>(SETTINGS_MAX_BYTES));
      problems->Add(line);
      return false;
    case bounded::ReadResult::kReadError:
      std::snprintf(line, sizeof line, RU("Настройки %s не читаются, взяты настройки по умолчанию"),
                    path);
      problems->Add(line);
      return false;
  }
  if (!IsText(file.data(), file.size())) {
    std::snprintf(line, sizeof line,
                  RU("Настройки %s: это не текстовый файл, взяты настройки по умолчанию"), path);
    problems->Add(line);
    return false;
  }
  const std::string text = TextOf(file.data(), file.size());
  ParseSettings(text.data(), text.size(), path, settings, problems);
  return true;
}

std::string WithWindowSettings(const std::string& text, bool fullScreen, int width, int height,
                               bool setFull, bool setSize) {
  if (text.empty()) return NewFileText(fullScreen, width, height);
  const std::string full = fullScreen ? "yes" : "no";
  const std::string size = WindowSizeText(width, height);
  std::string out;
  bool sawFull = false, sawSize = false;
  std::string lineEnd = "\n";
  ForEachLine(text, [&](const std::string& line, const std::string& end) {
    if (end == "\r\n") lineEnd = end;
    const TLine l = Split(line);
    const bool isFull =
        setFull && !l.blank && l.hasEquals && strcasecmp(l.key.c_str(), "fullscreen") == 0;
    const bool isSize =
        setSize && !l.blank && l.hasEquals && strcasecmp(l.key.c_str(), "window_size") == 0;
    if (isFull || isSize) {
      sawFull = sawFull || isFull;
      sawSize = sawSize || isSize;
      out += line.substr(0, l.valueStart) + (isFull ? full : size) + line.substr(l.valueEnd);
    } else {
      out += line;
    }
    out += end;
  });
  if (!out.empty() && out.back() != '\n') out += lineEnd;
  if (setFull && !sawFull) out += "fullscreen = " + full + lineEnd;
  if (setSize && !sawSize) out += "window_size = " + size + lineEnd;
  return out;
}

bool SaveWindowSettings(const char* path, bool fullScreen, int width, int height,
                        std::string* error, bool setFull, bool setSize) {
  char line[600];
  auto fail = [&](const char* format, const char* detail) {
    std::snprintf(line, sizeof line, format, path, detail);
    *error = line;
    return false;
  };
  if (!path || !path[0]) {
    *error = RU("Настройки не сохранены: не задана папка для них (ни XDG_CONFIG_HOME, ни HOME)");
    return false;
  }
  bounded::FileBytes file;
  std::string text;
  switch (bounded::ReadFileCapped(path, SETTINGS_MAX_BYTES, &file)) {
    case bounded::ReadResult::kOk:
      if (!IsText(file.data(), file.size()))
        return fail(RU("Настройки %s не тронуты: это не текстовый файл%s"), "");
      text.assign(reinterpret_cast<const char*>(file.data()), file.size());
      break;
    case bounded::ReadResult::kNoFile:
      if (errno != ENOENT) return fail(RU("Настройки %s не сохранены: %s"), std::strerror(errno));
      break;
    case bounded::ReadResult::kTooLarge:
      return fail(RU("Настройки %s не тронуты: файл слишком велик%s"), "");
    case bounded::ReadResult::kReadError:
      return fail(RU("Настройки %s не тронуты: файл не читается%s"), "");
  }
  const std::string updated = WithWindowSettings(text, fullScreen, width, height, setFull, setSize);
  if (updated == text) return true;
  const std::string target(path);
  if (!MakeParents(target)) return fail(RU("Настройки %s не сохранены: %s"), std::strerror(errno));
  if (const int e = os::ReplaceFileContents(target, updated.data(), updated.size()))
    return fail(RU("Настройки %s не сохранены: %s"), std::strerror(e));
  return true;
}

void LogSettingsProblems() {
  static bool logged = false;
  if (logged) return;
  logged = true;
  for (int i = 0; i < SettingsProblems.count; ++i)
    AddToLog("%s", SettingsProblems.lines[i].c_str());
  if (SettingsProblems.dropped > 0)
    AddToLog(RU("Настройки %s: ещё %d ошибок не показаны"), SettingsPath.c_str(),
             SettingsProblems.dropped);
}

void ApplySettings(const TSettings& settings) {
  ApplyBindings(settings.bindings);
  SetPauseOnFocusLoss(settings.pauseOnFocusLoss);
  SetMasterVolume(static_cast<float>(settings.volume) / 100.0f);
  // Mappings for pads SDL does not know, beside the settings file.
  size_t slash = std::string::npos;
  for (size_t i = 0; i < SettingsPath.size(); ++i)
    if (os::IsSeparator(SettingsPath[i])) slash = i;
  if (slash != std::string::npos) {
    const std::string mappings = SettingsPath.substr(0, slash) + "/gamecontrollerdb.txt";
    if (FileExists(mappings.c_str())) PadAddMappings(mappings.c_str());
  }
  // Frame pacing goes to the engine with the command line's loop options,
  // which override these (main.cpp).
}

void RememberWindow(bool startFullScreen, int startWidth, int startHeight) {
  int width = 0, height = 0;
  GetWindowSize(&width, &height);
  const bool fullScreen = IsFullScreen();
  if (width <= 0 || height <= 0) {
    width = startWidth;
    height = startHeight;
  }
  const bool setFull = fullScreen != startFullScreen;
  const bool setSize = width != startWidth || height != startHeight;
  if (!setFull && !setSize) return;
  std::string error;
  if (SaveWindowSettings(SettingsPath.c_str(), fullScreen, width, height, &error, setFull, setSize))
    return;
  AddToLog("%s", error.c_str());
  std::fprintf(stderr, "TARVS: %s\n", cp1251::ToUtf8(error.c_str()).c_str());
}
