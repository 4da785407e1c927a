// Platform (Windows): whether the log file and the screenshot folder can be
// written. Paths are the narrow ones fopen takes; both separators count.
#include "platform/Platform.h"

#include <windows.h>

namespace platform {

bool FileWritable(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_READONLY);
}

bool PathMissing(const char* path) {
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A folder's read-only attribute says nothing about its files, so the
// folder is tried: a file made there and removed at once.
bool FolderWritable(const char* folder) {
  const DWORD attributes = GetFileAttributesA(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  char probe[MAX_PATH];
  if (GetTempFileNameA(folder, "cvw", 0, probe) == 0) return false;
  DeleteFileA(probe);
  return true;
}

bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

void RemoveFileOrLink(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    DeleteFileA(path);
}

bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

// A file open here cannot be deleted or replaced under its name (the C
// library opens without delete sharing), so the name still existing is
// enough.
bool StillSameFile(const char* path, std::FILE* open) {
  return open && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool OpenFilesBlockDeletion() { return true; }

}  // namespace platform
