// Platform layer of the engine: the few operating-system services the
// engine needs beyond SDL, one small file per concern under posix/ and
// windows/ (CMake compiles the set for the target system). Internal: never
// installed, never exported.
#ifndef CORVANE_PLATFORM_H
#define CORVANE_PLATFORM_H

#include <cstdio>
#include <ctime>

namespace platform {

// ---------------------------------------------------------------- time (Clock.cpp)
// The local wall-clock time of `now`; false when it cannot be converted.
bool LocalTime(std::time_t now, std::tm* out);
// A monotonic clock in nanoseconds, for the loop's pacing.
long long MonotonicNanoseconds();

// ---------------------------------------------------------------- files (Files.cpp)
// True when `path` names an existing regular file this process may write.
bool FileWritable(const char* path);
// True when `path` names nothing at all (as opposed to something that cannot
// be looked at).
bool PathMissing(const char* path);
// True when `folder` is an existing folder this process may create files in.
bool FolderWritable(const char* folder);
// True when `path` names anything at all.
bool PathExists(const char* path);
// Removes `path` when it is a file or a link (never a folder or a device).
void RemoveFileOrLink(const char* path);
// True when `path` still leads to the file `open` has open: false once the
// file was deleted or replaced under that name (or the name now resolves
// elsewhere), so the caller opens it again by name.
bool StillSameFile(const char* path, std::FILE* open);
// True where a file held open cannot be deleted or replaced by others
// (Windows): the log then closes its file after every entry, so players and
// tools may remove it while the game runs.
bool OpenFilesBlockDeletion();
// True for '/' and, where the system has them, its other path separators.
bool IsPathSeparator(char c);

// ---------------------------------------------------------------- message box (MessageBoxWait.cpp)
// Shows a modal error box with `title` and `body` (UTF-8) and waits for it
// to close. Returns the number of a stop request (a signal) that arrived
// meanwhile and closed the box, or 0 when the player closed it.
int ShowErrorBoxAndWait(const char* title, const char* body);

// ---------------------------------------------------------------- stop requests (Stop.cpp)
// Makes the system's requests to stop the program (where SDL does not turn
// them into its quit event itself) end the game through the engine's normal
// shutdown. Called once the SDL event queue exists.
void CatchStopRequests();

}  // namespace platform

#endif
