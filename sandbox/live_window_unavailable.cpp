// `zando-sandbox play` in a build without SDL2 and OpenGL (the Windows build): says so and fails.
#include "sandbox/live_window.h"

namespace sandbox {

int PlayLive(host::Host&, const LiveSettings&, const std::function<void(const std::string&)>& say) {
    say("play needs a window (SDL2 and OpenGL), which this build does not have; simulate plays the same matches without one");
    return 1;
}

}  // namespace sandbox
