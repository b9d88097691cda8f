// Fuzzes replay files: a file is read or refused with a ReplayError, never a crash, a hang or memory out
// of proportion to it. Its checksums are not checked (a fuzzed file never passes them): what is read
// has every frame the header counts, each player's frames beside them and only valid UTF-8 text; and
// the match it holds plays as trace records that a trace may hold, as each of its players.
#include <cstddef>
#include <cstdint>
#include <span>

#include "replay/replay_error.h"
#include "replay/replay_file.h"
#include "sandbox/replay_game.h"
#include "sandbox/trace_format.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zando_fuzz::Check;
    replay::Replay replay;
    try {
        replay = replay::ReadReplay(std::span<const std::uint8_t>(data, size), {true, false});
    } catch (const replay::ReplayError&) {
        return 0;
    }
    const replay::MatchFrames& match = replay.match;
    Check(match.frames.size() == static_cast<std::size_t>(replay.header.numFrames), "frames read short of the header's count");
    Check(zando_fuzz::IsValidUtf8(replay.header.recordedBy) && zando_fuzz::IsValidUtf8(replay.header.mapName),
          "header text not UTF-8");
    for (const replay::ScoreboardLine& line : replay.header.scoreboard)
        Check(zando_fuzz::IsValidUtf8(line.name), "a scoreboard name not UTF-8");
    for (const replay::MatchPlayer& player : match.players) {
        Check(player.frames.size() == match.frames.size(), "a player's frames do not match the frames");
        Check(zando_fuzz::IsValidUtf8(player.name), "a player's name not UTF-8");
    }
    for (const replay::GameFrame& frame : match.frames)
        Check(frame.state < static_cast<int>(match.stateNames.size()), "a state beyond the state names");
    for (const int player : sandbox::ReplayParticipants(replay)) {
        const sandbox::ReplayGame game(replay, player);
        sandbox::TraceChecker checker;
        try {
            game.Play([&](const sandbox::TraceRecord& record) { checker.Check(record); });
        } catch (const sandbox::TraceError& e) {
            zando_fuzz::Fail(std::string("a replay's match makes a record a trace may not hold: ") + e.what());
        }
    }
    return 0;
}
