// The network frames: actors opened, updated and closed, frame after frame, turned into what the match
// needs (MatchFrames). Reads to the header's frame count; throws ReplayError with the frame and the
// offset where the stream cannot be read.
#pragma once

#include "replay/match_frames.h"
#include "replay/replay_body.h"
#include "replay/replay_header.h"

namespace replay {

// The most players a replay may hold (4 a team, and those who left and were replaced).
inline constexpr int MaxPlayers = 32;

MatchFrames ReadNetworkFrames(const ReplayHeader& header, const ReplayBody& body);

}  // namespace replay
