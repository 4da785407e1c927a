// The player's settings file: where it lives, reading it (every bad line
// is reported and keeps its default), and remembering the window in it
// without touching the player's other lines and comments.
#ifndef TARVS_SETTINGS_H
#define TARVS_SETTINGS_H

#include <string>

#include "shell/Controls.h"

struct TSettings {
  bool fullScreen = true;  // a window_size without a fullscreen line means a window
  int windowWidth = 0;     // 0 x 0: the game's own 1024 x 768
  int windowHeight = 0;
  bool vsync = true;
  int frameCap = -1;  // frames a second; 0 unlimited, -1 the display's rate
  int volume = 100;   // master volume, 0..100
  bool pauseOnFocusLoss = true;
  TBinding bindings[ACTION_COUNT];

  TSettings() { DefaultBindings(bindings); }
};

// Largest settings file read; a longer one is ignored (and never rewritten).
constexpr size_t SETTINGS_MAX_BYTES = 64 * 1024;
// Problems reported per file; the rest are counted in one last line.
constexpr int SETTINGS_MAX_PROBLEMS = 20;

// What reading a file found wrong: one Windows-1251 line per problem, each
// naming the file, the line and what was wrong.
struct TSettingsProblems {
  std::string lines[SETTINGS_MAX_PROBLEMS + 1];
  int count = 0;
  int dropped = 0;  // problems past the cap
  void Add(const char* line);
};

// $XDG_CONFIG_HOME/tarvs/settings.ini, or ~/.config/tarvs/settings.ini;
// empty when neither variable gives a folder.
std::string DefaultSettingsPath();
// The file --settings names, made absolute (the game changes its working
// folder later); DefaultSettingsPath() when option is null.
std::string SettingsPathFrom(const char* option);

// Applies the `key = value` lines of the text to *settings. Comments start
// with '#' or ';' at the start of a line, or with " #" after a value.
void ParseSettings(const char* text, size_t size, const char* fileName, TSettings* settings,
                   TSettingsProblems* problems);
// Reads the file into *settings (defaults for anything it does not set).
// A missing file is no problem; one too large or not text is ignored
// whole with one problem line. False when the file exists but cannot be
// used, which also keeps it from ever being rewritten.
bool LoadSettings(const char* path, TSettings* settings, TSettingsProblems* problems);

// The file's text with the window lines (fullscreen when setFull,
// window_size when setSize) set to these values: every other line,
// comment, spacing and line end is kept; a value's own trailing comment
// too; a missing key is appended. An empty text gives a whole new,
// commented file with the defaults and these values.
std::string WithWindowSettings(const std::string& text, bool fullScreen, int width, int height,
                               bool setFull = true, bool setSize = true);
// Writes the window values into the file at path (through a temporary
// file renamed over it; the folder is made when missing). False, with a
// line in *error, when the file cannot be used or written; the old file is
// then left as it was.
bool SaveWindowSettings(const char* path, bool fullScreen, int width, int height,
                        std::string* error, bool setFull = true, bool setSize = true);

// The shell's settings of this run, the file they came from and what
// reading it found wrong (logged once the engine's log is open).
extern TSettings Settings;
extern std::string SettingsPath;
extern TSettingsProblems SettingsProblems;
// Logs SettingsProblems to the engine log (once).
void LogSettingsProblems();
// Hands the settings to the engine: bindings, pause, volume, frame pacing.
void ApplySettings(const TSettings& settings);
// After the engine has run: when the window ended other than it started
// (resized, or switched with the full-screen key), writes what changed
// into SettingsPath (a choice made on the command line and left alone is
// not); a failure is one line in the log and on stderr.
void RememberWindow(bool startFullScreen, int startWidth, int startHeight);

#endif
