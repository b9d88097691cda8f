// The thread-local record of the plug-in's lock and of load and unload, and the check.
#include "base/blocking_check.h"

#include <cstdio>
#include <cstdlib>

namespace zando {

namespace {
thread_local int locksHeld = 0;
thread_local int mayWait = 0;
}  // namespace

StateLock::StateLock(std::recursive_mutex& mutex) : lock_(mutex) { ++locksHeld; }
StateLock::~StateLock() { --locksHeld; }

MayWaitHere::MayWaitHere() { ++mayWait; }
MayWaitHere::~MayWaitHere() { --mayWait; }

void CheckMayWait([[maybe_unused]] const char* what) {
#if defined(ZANDO_CHECK_BLOCKING)
    if (locksHeld > 0 && mayWait == 0) {
        std::fprintf(stderr, "ZANDO: %s under the plug-in's lock - the game or a window would wait for it\n", what);
        std::abort();
    }
#endif
}

}  // namespace zando
