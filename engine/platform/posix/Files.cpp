// Platform (POSIX): whether the log file and the screenshot folder can be
// written.
#include "platform/Platform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform {

bool FileWritable(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, W_OK) == 0;
}

bool PathMissing(const char* path) {
  struct stat info;
  return stat(path, &info) != 0 && errno == ENOENT;
}

bool FolderWritable(const char* folder) {
  struct stat info;
  return stat(folder, &info) == 0 && S_ISDIR(info.st_mode) && access(folder, W_OK | X_OK) == 0;
}

bool PathExists(const char* path) {
  struct stat info;
  return stat(path, &info) == 0;
}

void RemoveFileOrLink(const char* path) {
  struct stat info;
  if (lstat(path, &info) == 0 && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)))
    std::remove(path);
}

bool IsPathSeparator(char c) { return c == '/'; }

bool StillSameFile(const char* path, std::FILE* open) {
  struct stat named, opened;
  return stat(path, &named) == 0 && fstat(fileno(open), &opened) == 0 &&
         named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

bool OpenFilesBlockDeletion() { return false; }

}  // namespace platform
