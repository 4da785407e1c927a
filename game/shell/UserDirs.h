// The player's own folders for what the game writes: the log and the
// screenshots. A game run from its build tree or from a writable unpacked
// folder keeps both in the folder holding data/; an installed game (or one
// whose folder cannot be written) keeps the log in the XDG state folder and
// the screenshots in the user's pictures folder (on Windows: the local
// application data's "tarvs" folder and "Pictures/TARVS", see game/platform).
#ifndef TARVS_USERDIRS_H
#define TARVS_USERDIRS_H

#include <cstddef>
#include <string>

// Reads one environment variable (getenv, or a test's own table).
typedef const char* (*TEnvLookup)(const char* name);
// The process's own environment (getenv).
const char* ProcessEnv(const char* name);

// The user's home: $HOME when it is an absolute path, else the password
// database's entry; empty when neither gives one.
std::string HomeFolder(TEnvLookup env);

// $XDG_STATE_HOME/tarvs, or ~/.local/state/tarvs when XDG_STATE_HOME is
// unset or not absolute. Empty without a home.
std::string StateFolder(TEnvLookup env);

// The folder a user-dirs.dirs text (`size` bytes) gives `key`, such as
// "XDG_PICTURES_DIR", with a leading $HOME replaced by `home`; the last
// line setting it wins. Empty when no line sets it to "$HOME/..." or to an
// absolute path (the only two forms the file allows).
std::string UserDirFromConfig(const char* text, size_t size, const char* key,
                              const std::string& home);

// The user's pictures folder with "/TARVS" added, as xdg-user-dir PICTURES
// finds it: user-dirs.dirs in $XDG_CONFIG_HOME (else ~/.config), then
// $XDG_PICTURES_DIR, else (also when either names the home itself)
// ~/Pictures. Empty without a home.
std::string PicturesFolder(TEnvLookup env);

struct TPlayerFolders {
  std::string logFile;     // the engine's log file
  std::string shotFolder;  // where screenshots go
};

// Where a game whose data lies in `root` writes: into `root` itself (as the
// working folder always did) when it is not the installed game and
// `root` is writable; otherwise into the XDG places above.
TPlayerFolders ChoosePlayerFolders(const std::string& root, bool installed, bool rootWritable,
                                   TEnvLookup env);

// Creates the folders, hands them to the engine (SetLogFile,
// SetScreenshotFolder) and says on stderr where each goes, or, for a place
// that cannot be written, one line saying so; the game goes on either way.
void UsePlayerFolders(const TPlayerFolders& folders);

// The Enter key, called every tick with its state. While it is held the
// engine takes a screenshot (at most one per second). When the screenshot
// folder cannot be written, each new press instead gives one line on stderr
// and on the HUD's message line.
void ScreenshotKey(bool down);

// Creates `folder` and every missing folder above it; true when it exists
// as a folder afterwards.
bool MakeFolders(const std::string& folder);

// True for a folder the game can create files in.
bool FolderWritable(const std::string& folder);

#endif
