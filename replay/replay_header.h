// A replay's header: the game's versions and its properties (the scoreboard, the goals, the map, the
// date, the recording player, the frame count), read in full and then picked out by name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "replay/byte_reader.h"

namespace replay {

struct HeaderProperty {
    std::string name;
    std::string type;          // "IntProperty", "StrProperty", "ArrayProperty", ...
    std::int64_t integer = 0;  // Int, QWord and Bool properties
    double number = 0.0;       // Float properties
    std::string text;          // Str and Name properties; a Byte property's value (or its kind when it has none)
    std::vector<std::vector<HeaderProperty>> elements;  // Array: one list of properties an element; Struct: one
};

// One player's line of the game's own scoreboard.
struct ScoreboardLine {
    std::string name;
    std::string platform;        // "OnlinePlatform_Steam", "OnlinePlatform_Epic", ...
    std::uint64_t onlineId = 0;  // 0 where the platform's id is not a number
    int team = -1;
    int score = 0, goals = 0, assists = 0, saves = 0, shots = 0;
    bool bot = false;
};

struct GoalLine {
    int frame = 0;
    std::string player;
    int team = 0;
};

struct ReplayHeader {
    std::uint32_t engineVersion = 0;
    std::uint32_t licenseeVersion = 0;
    std::uint32_t netVersion = 0;
    std::string gameClass;  // "TAGame.Replay_Soccar_TA"
    std::vector<HeaderProperty> properties;

    // Picked out of the properties (absent ones keep these values).
    std::string id;    // the replay's own id
    std::string name;  // the name the player gave it
    std::string mapName;
    std::string date;        // "2024-04-08 20-31-10", the game's local time
    std::string matchType;   // "Online", "Private", "Offline", "Lan", ...
    std::string recordedBy;  // the recording player's name
    std::string buildVersion;
    int teamSize = 0;
    int primaryPlayerTeam = -1;
    int teamScores[2] = {0, 0};  // the header leaves out a score of 0
    int numFrames = 0;
    int maxChannels = 1023;
    float recordFps = 0.0f;
    float totalSecondsPlayed = 0.0f;
    std::vector<ScoreboardLine> scoreboard;
    std::vector<GoalLine> goals;

    const HeaderProperty* Find(const std::string& propertyName) const;
};

// Reads the header's bytes (after its length and checksum); throws ReplayError.
ReplayHeader ReadHeader(ByteReader& reader);
// A list of properties ended by "None", as the header holds them.
std::vector<HeaderProperty> ReadHeaderProperties(ByteReader& reader);

}  // namespace replay
