// Platform (POSIX): stop requests. SDL itself turns SIGINT and SIGTERM
// into its quit event, which runs the engine's normal shutdown; nothing
// more is needed here.
#include "platform/Platform.h"

namespace platform {

void CatchStopRequests() {}

}  // namespace platform
