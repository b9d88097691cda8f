// A real match from a replay played through the plug-in: the records go to the host as they are made,
// and to a trace and the screen camera when given, as a simulated match's do.
#pragma once

#include "host/runtime/host.h"
#include "sandbox/replay_game.h"
#include "sandbox/screen_camera.h"
#include "sandbox/trace_file.h"

namespace sandbox {

// Throws TraceError if the match made a record a trace may not hold.
void PlayReplayGame(host::Host& host, const ReplayGame& game, TraceWriter* traceOut = nullptr, ScreenCamera* camera = nullptr);

}  // namespace sandbox
