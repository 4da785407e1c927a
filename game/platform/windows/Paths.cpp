// Platform (Windows): files, folders and paths for the game. Paths are the
// narrow ones the C library's fopen takes; what is handed back uses '/'
// (which every Windows call accepts), so the game joins and splits paths
// the same way on every system.
#include "platform/Platform.h"

#include <direct.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace os {
namespace {

std::string ForwardSlashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

}  // namespace

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "C:\...", "C:/...", "\\server\share" and "/..." (the current drive).
bool IsAbsolutePath(const char* path) {
  if (!path || !path[0]) return false;
  if (IsSeparator(path[0])) return true;
  const char c = path[0];
  return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':' &&
         IsSeparator(path[2]);
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string AbsolutePath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) return path;
  std::string result = ForwardSlashes(full);
  // "C:/games/" and "C:/games" are one folder; a drive's root keeps its slash.
  while (result.size() > 3 && result.back() == '/') result.pop_back();
  return result;
}

std::string WorkingFolder() {
  char cwd[MAX_PATH];
  const DWORD n = GetCurrentDirectoryA(sizeof cwd, cwd);
  if (n == 0 || n >= sizeof cwd) return std::string();
  return ForwardSlashes(cwd);
}

bool EnterFolder(const std::string& path) { return SetCurrentDirectoryA(path.c_str()) != 0; }

std::string ExecutableFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  if (n == 0 || n >= sizeof path) return std::string();
  const std::string exe = ForwardSlashes(std::string(path, n));
  const size_t slash = exe.find_last_of('/');
  if (slash == std::string::npos) return std::string();
  return exe.substr(0, slash);
}

bool MakeFolder(const std::string& path, unsigned) {
  // "C:" alone is a drive, not a folder to make.
  if (path.size() == 2 && path[1] == ':') return true;
  return _mkdir(path.c_str()) == 0 || errno == EEXIST;
}

// A folder's read-only attribute says nothing about its files, so the
// folder is tried: a file made there and removed at once.
bool FolderWritable(const std::string& path) {
  if (path.empty() || !IsFolder(path)) return false;
  char probe[MAX_PATH];
  if (GetTempFileNameA(path.c_str(), "trv", 0, probe) == 0) return false;
  DeleteFileA(probe);
  return true;
}

// The C library's rename does not replace an existing file here; MoveFileEx
// does, in one step, and waits until the move is on the disk.
int ReplaceFileContents(const std::string& path, const char* data, size_t size) {
  const std::string temp = path + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return errno ? errno : EACCES;
  const bool written =
      std::fwrite(data, 1, size, f) == size && std::fflush(f) == 0 && _commit(_fileno(f)) == 0;
  if (std::fclose(f) != 0 || !written) {
    std::remove(temp.c_str());
    return EIO;
  }
  if (!MoveFileExA(temp.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    std::remove(temp.c_str());
    return EACCES;
  }
  return 0;
}

}  // namespace os
