// Playing a replay's match through the host.
#include "sandbox/replay_play.h"

#include "sandbox/trace_format.h"
#include "sandbox/trace_player.h"

namespace sandbox {

void PlayReplayGame(host::Host& host, const ReplayGame& game, TraceWriter* traceOut, ScreenCamera* camera) {
    TracePlayer player = camera ? TracePlayer(
                                      host, [camera](double t) { camera->Frame(t); },
                                      [camera](const TraceRecord& record) { camera->BeforeRecord(record); })
                                : TracePlayer(host);
    TraceChecker checker;
    game.Play([&](const TraceRecord& record) {
        if (traceOut) traceOut->Write(record);
        checker.Check(record);
        player.Play(record);
    });
}

}  // namespace sandbox
