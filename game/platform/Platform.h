// Platform layer of the game: files and folders, the player's folders and
// the environment, one small file per concern under posix/ and windows/
// (CMake compiles the set for the target system). Paths handed back use
// '/' between their parts on every system; both separators are accepted.
#ifndef TARVS_PLATFORM_H
#define TARVS_PLATFORM_H

#include <cstddef>
#include <string>

namespace os {

// ---------------------------------------------------------------- paths (Paths.cpp)
bool IsFile(const std::string& path);
bool IsFolder(const std::string& path);
// True for a path that does not depend on the working folder.
bool IsAbsolutePath(const char* path);
// True for '/' and, where the system has them, its other separators.
bool IsSeparator(char c);
// `path` made absolute with links and "." / ".." resolved; `path` itself
// when that fails.
std::string AbsolutePath(const std::string& path);
// The working folder; empty when it cannot be named.
std::string WorkingFolder();
// Makes `path` the working folder.
bool EnterFolder(const std::string& path);
// The folder of the running program; empty when it cannot be found.
std::string ExecutableFolder();
// Creates one folder (`mode` where the system has modes); true when it was
// made or already there.
bool MakeFolder(const std::string& path, unsigned mode);
// True for a folder the game can create files in.
bool FolderWritable(const std::string& path);
// Puts `size` bytes in place of the file `path` in one step: written to
// "<path>.tmp", flushed to the disk, then renamed over `path` (whose
// permissions, where the system has them, the new file keeps; a new file
// gets rw-r--r--). Returns 0, or the errno value of the step that failed
// (the temporary file is then removed and `path` is untouched).
int ReplaceFileContents(const std::string& path, const char* data, size_t size);

// ---------------------------------------------------------------- player's folders
// (UserFolders.cpp) The home folder from the account database; empty where there is none.
std::string AccountHome();

// The system's own places for a program's files, where it has them
// (Windows); elsewhere the game follows the XDG rules in shell/UserDirs.
struct TKnownFolders {
  std::string config;    // the settings file's folder
  std::string state;     // the log's folder
  std::string pictures;  // the screenshots' folder
};
// False where the system has no such places.
bool KnownFolders(TKnownFolders* folders);

// ---------------------------------------------------------------- environment (Environment.cpp)
// Sets (overwrite) or leaves alone (!overwrite, when already set) a variable.
void SetEnvironment(const char* name, const char* value, bool overwrite);
// The video driver for runs that show nothing (demo verification); null
// where the normal driver has to serve.
const char* HeadlessVideoDriver();

}  // namespace os

#endif
