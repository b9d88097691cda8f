// A simulated match played through the plug-in: each record the simulation makes is played as it is
// made (and written as a trace line when a trace is asked for); a replay of the written trace plays
// exactly the same match.
#pragma once

#include <vector>

#include "host/runtime/host.h"
#include "sandbox/match_simulator.h"
#include "sandbox/screen_camera.h"
#include "sandbox/trace_file.h"

namespace sandbox {

struct SimulatedMatch {
    LocalTruth truth;      // the session's last match
    MatchOutcome outcome;
    std::vector<SimulatedResult> matches;  // every match of the session, in order
};

// traceOut, when given, receives every record (its header is written when it is made: see
// SimulationSource); camera, when given, gets the frames and sees the records. Throws TraceError if
// the simulation made a record a trace may not hold.
SimulatedMatch PlaySimulatedMatch(host::Host& host, const SimulationSettings& settings, TraceWriter* traceOut = nullptr,
                                  ScreenCamera* camera = nullptr);

// What the header of a simulated match's trace names as its source.
std::string SimulationSource(const SimulationSettings& settings);

}  // namespace sandbox
