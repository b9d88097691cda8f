// What the game's hooks would have said of a recorded match, from its frames: the ball's touches (a car
// at reach when the ball's velocity changes), the stat ticker's messages at the frames where the game's
// counters rose ("Shot on Goal", "Goal", "Save", "Assist"), the goals, and how the recording ends. The
// same for whichever player it is played or imported as: the sandbox plays them through the plug-in's
// hooks, and the plug-in's import feeds them to its match tracker.
#pragma once

#include <string>
#include <vector>

#include "replay/replay_file.h"

namespace replay {

// The round state of a frame, as the game names it.
enum class Phase { Unknown, Countdown, Active, PostGoal };
Phase PhaseOf(const MatchFrames& match, std::size_t frame);
// The match clock runs in play after the kickoff's first touch.
bool ClockRuns(const MatchFrames& match, std::size_t frame);

struct StatMessage {
    int frame = 0;
    int player = 0;
    const char* label = "";  // "Shot on Goal", "Goal", "Save" or "Assist"
};

struct MatchEvents {
    std::vector<int> participants;          // players with a car in the match (ReplayParticipants)
    std::vector<std::vector<int>> touches;  // by frame: the players whose cars touched the ball
    std::vector<int> goalFrames;            // frames where a team's goals rose
    std::vector<StatMessage> messages;      // in frame order; in a frame, shots and saves first
    int goals[2] = {0, 0};                  // as the frames count them (the header leaves out a score of 0)
    bool overtime = false;
    bool finished = false;         // the recording reaches the match's end
    bool endsOnGoal = false;       // it stops on a goal, before the scorer's counters rose
    std::string endsOnGoalScorer;  // then the header's scorer, credited from the header's goal list
    int playlistId = -1;
    double clock = 0.0;  // seconds the match clock ran
};

MatchEvents DeriveMatchEvents(const Replay& replay);

}  // namespace replay
