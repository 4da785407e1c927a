// Platform (POSIX): files, folders and paths for the game.
#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace os {

bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsAbsolutePath(const char* path) { return path && path[0] == '/'; }

bool IsSeparator(char c) { return c == '/'; }

std::string AbsolutePath(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

std::string WorkingFolder() {
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return std::string();
  return cwd;
}

bool EnterFolder(const std::string& path) { return chdir(path.c_str()) == 0; }

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return std::string();
  path[n] = '\0';
  const std::string exe(path);
  const size_t slash = exe.find_last_of('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? "/" : exe.substr(0, slash);
}

bool MakeFolder(const std::string& path, unsigned mode) {
  return mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0 || errno == EEXIST;
}

bool FolderWritable(const std::string& path) {
  return !path.empty() && IsFolder(path) && access(path.c_str(), W_OK | X_OK) == 0;
}

int ReplaceFileContents(const std::string& path, const char* data, size_t size) {
  mode_t mode = 0644;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  const std::string temp = path + ".tmp";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
  if (fd < 0) return errno;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      const int e = n < 0 ? errno : EIO;
      close(fd);
      unlink(temp.c_str());
      return e;
    }
    done += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
    const int e = errno;
    unlink(temp.c_str());
    return e;
  }
  return 0;
}

}  // namespace os
