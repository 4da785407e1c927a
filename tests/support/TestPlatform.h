// What the tests need from the operating system beyond the standard
// library: the environment, folders and links. POSIX and Windows take
// different calls; they differ here and nowhere else in the tests.
#ifndef CORVANE_TEST_PLATFORM_H
#define CORVANE_TEST_PLATFORM_H

#include <cstdlib>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace testos {

// Sets a variable (overwrite) or only where it is unset (!overwrite); SDL
// reads the system's copy on Windows, the C library its own.
inline void SetEnv(const char* name, const char* value, bool overwrite = true) {
#if defined(_WIN32)
  if (!overwrite && std::getenv(name)) return;
  _putenv_s(name, value);
  SetEnvironmentVariableA(name, value);
#else
  setenv(name, value, overwrite ? 1 : 0);
#endif
}

inline void UnsetEnv(const char* name) {
#if defined(_WIN32)
  _putenv_s(name, "");
  SetEnvironmentVariableA(name, nullptr);
#else
  unsetenv(name);
#endif
}

// Creates one folder; true when it was made (false when it was there).
inline bool MakeDir(const char* path) {
  std::error_code ec;
  return std::filesystem::create_directory(path, ec);
}

// Makes `link` name the folder `target`: a symbolic link where the system
// lets any user make one, else a copy of the folder.
inline bool LinkFolder(const char* target, const char* link) {
  std::error_code ec;
  std::filesystem::remove(link, ec);
#if defined(_WIN32)
  std::filesystem::remove_all(link, ec);
  ec.clear();
  std::filesystem::copy(target, link, std::filesystem::copy_options::recursive, ec);
  return !ec;
#else
  std::filesystem::create_directory_symlink(target, link, ec);
  return !ec;
#endif
}

// CPU seconds this process has used (for the benches' ratios).
inline double CpuSeconds() {
#if defined(_WIN32)
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const unsigned long long ticks =
      (static_cast<unsigned long long>(user.dwHighDateTime) << 32 | user.dwLowDateTime) +
      (static_cast<unsigned long long>(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime);
  return static_cast<double>(ticks) * 1e-7;
#else
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
#endif
}

}  // namespace testos

#endif
