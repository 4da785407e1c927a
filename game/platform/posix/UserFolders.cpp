// Platform (POSIX): the account's home folder. The game's own folders
// follow the XDG rules (shell/UserDirs, shell/Settings).
#include "platform/Platform.h"

#include <pwd.h>
#include <unistd.h>

namespace os {

std::string AccountHome() {
  const passwd* entry = getpwuid(getuid());
  return entry && entry->pw_dir ? entry->pw_dir : std::string();
}

bool KnownFolders(TKnownFolders*) { return false; }

}  // namespace os
