// Platform (Windows): the player's folders. Settings go to the roaming
// application data ("%APPDATA%/tarvs"), the log to the local one
// ("%LOCALAPPDATA%/tarvs"), screenshots to the Pictures library's folder
// ("Pictures/TARVS"), as the shell names them for this user.
#include "platform/Platform.h"

#include <shlobj.h>
#include <windows.h>

namespace os {
namespace {

std::string ShellFolder(int id) {
  char path[MAX_PATH];
  if (SHGetFolderPathA(nullptr, id | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
    return std::string();
  std::string result(path);
  for (char& c : result)
    if (c == '\\') c = '/';
  while (result.size() > 3 && result.back() == '/') result.pop_back();
  return result;
}

}  // namespace

std::string AccountHome() { return ShellFolder(CSIDL_PROFILE); }

bool KnownFolders(TKnownFolders* folders) {
  const std::string roaming = ShellFolder(CSIDL_APPDATA);
  const std::string local = ShellFolder(CSIDL_LOCAL_APPDATA);
  const std::string pictures = ShellFolder(CSIDL_MYPICTURES);
  folders->config = roaming.empty() ? std::string() : roaming + "/tarvs";
  folders->state = local.empty() ? std::string() : local + "/tarvs";
  folders->pictures = pictures.empty() ? std::string() : pictures + "/TARVS";
  return true;
}

}  // namespace os
