// The replay reader on the game's own files: real replays read to their last frame with the game's
// scoreboard in their frames, and damaged, hostile and oddly encoded files refused with their reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "replay/byte_reader.h"
#include "replay/replay_crc.h"
#include "replay/replay_error.h"
#include "replay/replay_file.h"
#include "replay/replay_header.h"

namespace {

const std::filesystem::path Replays = std::filesystem::path(ZANDO_SOURCE_DIR) / "tests" / "fixtures" / "replays";

struct Read {
    std::vector<std::uint8_t> bytes;
    replay::Replay replay;
};

Read ReadFixture(const std::string& name, replay::ReadOptions options = {}) {
    Read read;
    read.bytes = replay::LoadReplayBytes(Replays / name);
    read.replay = replay::ReadReplay(read.bytes, options);
    return read;
}

// A fixture's file name as a test's name: letters and digits only.
std::string FixtureName(const std::string& file) {
    std::string name;
    for (const char c : file.substr(0, file.find('.')))
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return "f" + name;
}

// The final value of each of a player's counters in the frames.
std::map<replay::Stat, int> FinalCounters(const replay::MatchFrames& match, int player) {
    std::map<replay::Stat, int> counters;
    for (const replay::StatChange& change : match.stats)
        if (change.player == player) counters[change.stat] = change.value;
    return counters;
}

}  // namespace

TEST(ReplayCrc, IsTheGamesChecksum) {
    const std::uint8_t byte = 0xa0;
    EXPECT_EQ(replay::ReplayCrc({&byte, 1}), 0x76cc8c81u);
}

struct RealReplay {
    const char* file;
    int frames;
    std::uint32_t netVersion;
    int blue, orange;  // the game's score
    int playlist;
    std::size_t players;  // in the frames, a bot that came on for a player who left included
};

class RealReplays : public ::testing::TestWithParam<RealReplay> {};

TEST_P(RealReplays, AreReadToTheirLastFrameWithTheGamesScore) {
    const RealReplay& expected = GetParam();
    const Read read = ReadFixture(expected.file);
    const replay::Replay& r = read.replay;
    EXPECT_EQ(r.header.numFrames, expected.frames);
    EXPECT_EQ(r.match.frames.size(), static_cast<std::size_t>(expected.frames));
    EXPECT_EQ(r.header.netVersion, expected.netVersion);
    EXPECT_EQ(r.header.teamScores[0], expected.blue);
    EXPECT_EQ(r.header.teamScores[1], expected.orange);
    EXPECT_EQ(r.match.playlist, expected.playlist);
    EXPECT_EQ(r.match.players.size(), expected.players);
    // The teams' goals as the frames count them end at the header's score.
    int goals[2] = {0, 0};
    for (const replay::TeamGoals& goal : r.match.teamGoals) goals[goal.team] = goal.goals;
    EXPECT_EQ(goals[0], expected.blue);
    EXPECT_EQ(goals[1], expected.orange);
    // Time runs forward, frame after frame.
    for (std::size_t f = 1; f < r.match.frames.size(); ++f) ASSERT_GE(r.match.frames[f].time, r.match.frames[f - 1].time) << f;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RealReplays,
                         ::testing::Values(RealReplay{"28fd.replay", 9564, 10, 1, 2, 2, 5},
                                           RealReplay{"4375.replay", 866, 11, 1, 1, 11, 4},
                                           RealReplay{"9ab7.replay", 787, 10, 0, 1, 6, 1},
                                           RealReplay{"3bd08.replay", 283, 10, 1, 0, 6, 4}),
                         [](const ::testing::TestParamInfo<RealReplay>& info) { return FixtureName(info.param.file); });

TEST(RealReplay, TheFramesCountersEndAtTheGamesScoreboardForEachPlayerFoundByPlatformId) {
    const Read read = ReadFixture("28fd.replay");
    const replay::Replay& r = read.replay;
    // The game's scoreboard of this match: name, platform id, goals, assists, saves, shots.
    struct Line {
        const char* name;
        replay::PlayerId id;
        int goals, assists, saves, shots;
    };
    const Line lines[] = {{"Drogings", {1, 76561198052527453ull, ""}, 1, 1, 1, 4},
                          {"?If", {11, 0, "89c72c1c2c804b1993d8bd7906d8b007"}, 1, 0, 1, 3},
                          {"Wx_15", {2, 2554185731943793896ull, ""}, 1, 0, 2, 2},
                          {"Edelfürst niCauu", {1, 76561198024839299ull, ""}, 0, 0, 1, 3}};
    for (const Line& line : lines) {
        const int player = r.match.PlayerById(line.id);
        ASSERT_GE(player, 0) << line.name;
        EXPECT_EQ(r.match.players[static_cast<std::size_t>(player)].name, line.name);
        auto counters = FinalCounters(r.match, player);
        EXPECT_EQ(counters[replay::Stat::Goals], line.goals) << line.name;
        EXPECT_EQ(counters[replay::Stat::Assists], line.assists) << line.name;
        EXPECT_EQ(counters[replay::Stat::Saves], line.saves) << line.name;
        EXPECT_EQ(counters[replay::Stat::Shots], line.shots) << line.name;
        // The keyframes announce each car again as new every ten seconds: its player stays, so the car
        // is on the field nearly every frame of the match.
        const auto& frames = r.match.players[static_cast<std::size_t>(player)].frames;
        EXPECT_GT(std::count_if(frames.begin(), frames.end(), [](const replay::PlayerFrame& f) { return f.onField; }), 9300)
            << line.name;
    }
    ASSERT_EQ(r.header.scoreboard.size(), 4u);
    EXPECT_EQ(r.header.scoreboard[0].shots, 4);
    EXPECT_EQ(r.header.goals.size(), 3u);
}

TEST(RealReplay, ADemolishedCarLeavesTheFieldAtItsDemolition) {
    const Read read = ReadFixture("28fd.replay");
    const replay::MatchFrames& m = read.replay.match;
    ASSERT_GE(m.demolitions.size(), 3u);
    for (const replay::Demolition& d : m.demolitions) {
        if (d.frame < 2) continue;  // sent again at the recording's start
        const auto& victim = m.players[static_cast<std::size_t>(d.victim)].frames;
        EXPECT_TRUE(victim[static_cast<std::size_t>(d.frame) - 2].onField) << d.frame;
        EXPECT_FALSE(victim[static_cast<std::size_t>(d.frame) + 2].onField) << d.frame;
        EXPECT_NE(d.attacker, d.victim);
    }
}

TEST(RealReplay, TheHeaderLeavesOutATeamsScoreOfZeroAndTheGameNamesItsStates) {
    const Read read = ReadFixture("9ab7.replay");
    EXPECT_EQ(read.replay.header.Find("Team0Score"), nullptr);
    ASSERT_NE(read.replay.header.Find("Team1Score"), nullptr);
    const auto& names = read.replay.match.stateNames;
    for (const char* state : {"Countdown", "Active", "PostGoalScored"})
        EXPECT_NE(std::find(names.begin(), names.end(), state), names.end()) << state;
}

struct BrokenFile {
    const char* file;
    const char* part;
    const char* reason;
};

class BrokenReplays : public ::testing::TestWithParam<BrokenFile> {};

TEST_P(BrokenReplays, AreRefusedWithThePartAndTheReason) {
    const BrokenFile& expected = GetParam();
    try {
        ReadFixture(std::string("broken/") + expected.file);
        FAIL() << expected.file << " was read";
    } catch (const replay::ReplayError& e) {
        EXPECT_EQ(e.Part(), expected.part) << e.what();
        EXPECT_NE(std::string(e.what()).find(expected.reason), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BrokenReplays,
                         ::testing::Values(BrokenFile{"fuzz-corpus.replay", "body", "run past the file's end"},
                                           BrokenFile{"fuzz-large-object-id.replay", "body", "the checksum does not match"},
                                           BrokenFile{"fuzz-list-too-large.replay", "body", "the checksum does not match"},
                                           BrokenFile{"fuzz-slice-index.replay", "header", "the checksum does not match"},
                                           BrokenFile{"fuzz-string-too-long.replay", "body", "the checksum does not match"},
                                           BrokenFile{"fuzz-string-too-long2.replay", "header", "the checksum does not match"},
                                           BrokenFile{"fuzz-too-many-frames.replay", "header", "the checksum does not match"},
                                           BrokenFile{"rdict_array.replay", "header", "the checksum does not match"},
                                           BrokenFile{"rdict_bool.replay", "header", "the checksum does not match"},
                                           BrokenFile{"rdict_byte.replay", "header", "the checksum does not match"},
                                           BrokenFile{"rdict_float.replay", "header", "the checksum does not match"},
                                           BrokenFile{"rdict_int.replay", "header", "the checksum does not match"},
                                           BrokenFile{"rdict_name.replay", "header", "the checksum does not match"},
                                           BrokenFile{"rdict_one.replay", "header", "the checksum does not match"},
                                           BrokenFile{"rdict_qword.replay", "header", "the checksum does not match"},
                                           BrokenFile{"rdict_unrecognized.replay", "header", "the checksum does not match"},
                                           BrokenFile{"text.replay", "header", "run past the file's end"},
                                           BrokenFile{"utf-16-text.replay", "header", "run past the file's end"},
                                           BrokenFile{"utf-16.replay", "header", "868.32, network 10 and 11"},
                                           BrokenFile{"windows_1252.replay", "header", "868.32, network 10 and 11"}),
                         [](const ::testing::TestParamInfo<BrokenFile>& info) { return FixtureName(info.param.file); });

TEST(BrokenReplays, EveryFileOfTheFolderIsInTheTable) {
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Replays / "broken"))
        files += entry.path().extension() == ".replay";
    EXPECT_EQ(files, 20u);
}

// The header's property lists alone, one of each kind: read, or refused where they stop short.
TEST(HeaderProperties, EachKindIsReadAndAListWithoutItsEndIsRefused) {
    struct Case {
        const char* file;
        const char* name;  // the property read, or nothing when refused
        const char* type;
        long long integer;
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {"rdict_int.replay", "PlayerTeam", "IntProperty", 0, "", nullptr},
        {"rdict_bool.replay", "bBot", "BoolProperty", 0, "", nullptr},
        {"rdict_one.replay", "PlayerName", "StrProperty", 0, "comagoosie", nullptr},
        {"rdict_float.replay", nullptr, nullptr, 0, nullptr, "without their closing \"None\""},
        {"rdict_unrecognized.replay", nullptr, nullptr, 0, nullptr, "a type this reader does not know (\"BiteProperty\""},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes = replay::LoadReplayBytes(Replays / "broken" / c.file);
        replay::ByteReader reader(bytes, 0, "header");
        if (c.name) {
            const auto properties = replay::ReadHeaderProperties(reader);
            ASSERT_EQ(properties.size(), 1u) << c.file;
            EXPECT_EQ(properties[0].name, c.name);
            EXPECT_EQ(properties[0].type, c.type);
            EXPECT_EQ(properties[0].integer, c.integer);
            EXPECT_EQ(properties[0].text, c.text);
            EXPECT_TRUE(reader.AtEnd());
        } else {
            try {
                replay::ReadHeaderProperties(reader);
                ADD_FAILURE() << c.file << " was read";
            } catch (const replay::ReplayError& e) {
                EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
            }
        }
    }
}

TEST(HeaderProperties, NamesInUtf16AndWindows1252ReadAsUtf8) {
    const Read utf16 = ReadFixture("broken/utf-16.replay", {false, true});
    const Read latin = ReadFixture("broken/windows_1252.replay", {false, true});
    const auto named = [](const replay::ReplayHeader& header, const std::string& name) {
        return std::any_of(header.goals.begin(), header.goals.end(),
                           [&](const replay::GoalLine& l) { return l.player == name; }) ||
               std::any_of(header.scoreboard.begin(), header.scoreboard.end(),
                           [&](const replay::ScoreboardLine& l) { return l.name == name; });
    };
    EXPECT_TRUE(named(utf16.replay.header, "\u2623D[e]!v1zz\u2623"));
    EXPECT_TRUE(named(latin.replay.header, "caudillman6000\u00b3"));
}

// Whatever is cut off or changed, the reader refuses it or reads it; it never reads out of bounds (the
// sanitizers' build checks), never hangs and never keeps more than the frames it read.
TEST(DamagedReplays, TruncatedOrAlteredAnywhereAreRefusedOrRead) {
    const std::vector<std::uint8_t> whole = replay::LoadReplayBytes(Replays / "4375.replay");
    for (std::size_t length = 0; length < whole.size(); length += 811) {
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_THROW(replay::ReadReplay(cut), replay::ReplayError) << length;
    }
    int read = 0, refused = 0;
    for (std::size_t at = 12; at < whole.size(); at += 433) {
        std::vector<std::uint8_t> altered = whole;
        altered[at] ^= static_cast<std::uint8_t>(0x5A + at % 7);
        try {
            const replay::Replay r = replay::ReadReplay(altered, {true, false});
            ++read;
            EXPECT_LE(r.match.frames.size(), static_cast<std::size_t>(r.header.numFrames));
        } catch (const replay::ReplayError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(read + refused, 300);
}

// Found by fuzzing: a class entry naming a parent id in the billions once had the reader try every id
// below it. Read without its checksums, it is refused at once, naming what is wrong.
TEST(DamagedReplays, AClassEntryWithAFarParentIdIsRefusedAtOnce) {
    const std::vector<std::uint8_t> bytes = replay::LoadReplayBytes(Replays / "fuzz-far-parent-id.replay");
    try {
        replay::ReadReplay(bytes, {true, false});
        FAIL() << "read";
    } catch (const replay::ReplayError& e) {
        EXPECT_EQ(e.Part(), "class net cache") << e.what();
    }
}

TEST(DamagedReplays, AFrameCountTheStreamCannotHoldIsRefusedBeforeAnythingIsKept) {
    std::vector<std::uint8_t> bytes = replay::LoadReplayBytes(Replays / "4375.replay");
    // The header's NumFrames value, raised to a billion, with the header's checksum made again.
    const std::string key = "NumFrames";
    const auto at = std::search(bytes.begin(), bytes.end(), key.begin(), key.end());
    ASSERT_NE(at, bytes.end());
    const std::size_t value = static_cast<std::size_t>(at - bytes.begin()) + key.size() + 1 + 4 + 12 + 8;
    const std::uint32_t billion = 1000000000u;
    std::memcpy(&bytes[value], &billion, 4);
    std::uint32_t headerSize = 0;
    std::memcpy(&headerSize, bytes.data(), 4);
    const std::uint32_t crc = replay::ReplayCrc({bytes.data() + 8, headerSize});
    std::memcpy(&bytes[4], &crc, 4);
    try {
        replay::ReadReplay(bytes);
        FAIL() << "read";
    } catch (const replay::ReplayError& e) {
        EXPECT_NE(std::string(e.what()).find("the header's 1000000000 frames cannot fit"), std::string::npos) << e.what();
    }
}
