// Playing a simulated match through the host, writing its trace on the way when asked.
#include "sandbox/simulated_play.h"

#include "sandbox/trace_format.h"
#include "sandbox/trace_player.h"

namespace sandbox {

std::string SimulationSource(const SimulationSettings& settings) { return MatchSimulator(settings, {}).Source(); }

SimulatedMatch PlaySimulatedMatch(host::Host& host, const SimulationSettings& settings, TraceWriter* traceOut,
                                  ScreenCamera* camera) {
    TracePlayer player = camera ? TracePlayer(
                                      host, [camera](double t) { camera->Frame(t); },
                                      [camera](const TraceRecord& record) { camera->BeforeRecord(record); })
                                : TracePlayer(host);
    TraceChecker checker;
    // Records go to the plug-in as they are; a trace line reads back as exactly the record it was
    // written from (times and figures are written with the digits that read back the same), so the
    // written trace replays the same match. Lines are made only when a trace is written.
    MatchSimulator simulator(settings, [&](const TraceRecord& record) {
        if (traceOut) traceOut->Write(record);
        checker.Check(record);
        player.Play(record);
    });
    simulator.Run();
    return {simulator.Truth(), simulator.Outcome(), simulator.Results()};
}

}  // namespace sandbox
