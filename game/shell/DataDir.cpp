// Finding the game's data tree and entering the folder that holds it.
#include "shell/DataDir.h"

#include <cstdio>

#include "platform/Platform.h"

namespace {

// A file every complete data tree holds; the rest is found through it.
const char* const kProbe = "maps/level0.map";

using os::IsFile;

// The folder above `path`; absolute paths here use '/' on every system.
std::string Parent(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  // A drive's root ("C:/") stays itself.
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, slash);
}

std::string Absolute(const std::string& path) { return os::AbsolutePath(path); }

// True when `path` is `folder` or lies below it (both absolute, resolved).
bool Inside(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || path[folder.size()] == '/' || folder.back() == '/';
}

}  // namespace

std::string DataRootOf(const std::string& candidate) {
  if (candidate.empty()) return std::string();
  if (IsFile(candidate + "/data/" + kProbe)) return Absolute(candidate);
  if (IsFile(candidate + "/" + kProbe)) {
    const std::string full = Absolute(candidate);
    const size_t slash = full.find_last_of('/');
    if (full.compare(slash + 1, std::string::npos, "data") == 0) return Parent(full);
  }
  return std::string();
}

bool FindGameData(const char* requested, const TDataSearch& search, TDataPlace* place) {
  place->root.clear();
  place->tried.clear();
  place->installed = false;
  // The share folder an installed program's data lives in.
  std::string installRoot;
  if (!search.exeFolder.empty() && !search.installData.empty())
    installRoot = Absolute(Parent(search.exeFolder + "/" + search.installData));

  if (requested) {
    place->root = DataRootOf(requested);
    place->tried = requested;
  } else {
    std::string candidates[4] = {search.workFolder, search.exeFolder, installRoot, ""};
    // Paths compiled into the program serve only a program inside its build
    // tree; an installed or copied-out program never reaches into it.
    const std::string exe = Absolute(search.exeFolder);
    if (!search.exeFolder.empty() && Inside(exe, Absolute(search.buildTree)))
      candidates[3] = Parent(search.buildData);
    for (const std::string& folder : candidates) {
      if (folder.empty()) continue;
      const std::string data = Absolute(folder) + "/data";
      if (place->tried.find(data) != std::string::npos) continue;
      if (!place->tried.empty()) place->tried += ", ";
      place->tried += data;
      place->root = DataRootOf(folder);
      if (!place->root.empty()) break;
    }
  }
  if (place->root.empty()) return false;
  place->installed = !installRoot.empty() && place->root == installRoot;
  return true;
}

TDataSearch ProgramDataSearch() {
  TDataSearch search;
  search.workFolder = ".";
  search.exeFolder = os::ExecutableFolder();
#ifdef TARVS_INSTALL_DATA
  search.installData = TARVS_INSTALL_DATA;
#endif
#if defined(TARVS_BUILD_TREE) && defined(TARVS_BUILD_DATA_DIR)
  search.buildTree = TARVS_BUILD_TREE;
  search.buildData = TARVS_BUILD_DATA_DIR;
#endif
  return search;
}

bool EnterGameData(const char* requested, TDataPlace* place) {
  if (!FindGameData(requested, ProgramDataSearch(), place) || !os::EnterFolder(place->root)) {
    std::fprintf(stderr, "TARVS: no game data (data/%s) found in: %s\n", kProbe,
                 place->tried.c_str());
    return false;
  }
  std::fprintf(stderr, "TARVS: using game data in %s/data\n", place->root.c_str());
  return true;
}
