// Playing a simulated match through the host, by way of its trace lines.
#include "sandbox/simulated_play.h"

#include "sandbox/trace_format.h"
#include "sandbox/trace_player.h"

namespace sandbox {

SimulatedMatch PlaySimulatedMatch(host::Host& host, const SimulationSettings& settings, std::ostream* traceOut,
                                  ScreenCamera* camera) {
    TracePlayer player = camera ? TracePlayer(
                                      host, [camera](double t) { camera->Frame(t); },
                                      [camera](const TraceRecord& record) { camera->BeforeRecord(record); })
                                : TracePlayer(host);
    TraceChecker checker;
    MatchSimulator simulator(settings, [&](const TraceRecord& record) {
        const std::string line = FormatRecord(record);
        if (traceOut) *traceOut << line << '\n';
        const TraceRecord played = ParseRecord(line);
        checker.Check(played);
        player.Play(played);
    });
    if (traceOut) *traceOut << FormatHeader(TraceHeader{TraceFormatVersion, simulator.Source()}) << '\n';
    simulator.Run();
    return {simulator.Truth(), simulator.Outcome(), simulator.Results()};
}

}  // namespace sandbox
