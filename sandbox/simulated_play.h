// A simulated match played through the plug-in: each record the simulation makes is written as a
// trace line, read back and played, so a replay of the written trace plays exactly the same match.
#pragma once

#include <ostream>
#include <vector>

#include "host/runtime/host.h"
#include "sandbox/match_simulator.h"
#include "sandbox/screen_camera.h"

namespace sandbox {

struct SimulatedMatch {
    LocalTruth truth;      // the session's last match
    MatchOutcome outcome;
    std::vector<SimulatedResult> matches;  // every match of the session, in order
};

// traceOut, when given, receives the whole trace, header first; camera, when given, gets the frames
// and sees the records. Throws TraceError if the simulation made a record a trace may not hold.
SimulatedMatch PlaySimulatedMatch(host::Host& host, const SimulationSettings& settings, std::ostream* traceOut = nullptr,
                                  ScreenCamera* camera = nullptr);

}  // namespace sandbox
