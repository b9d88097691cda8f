// Match traces: every record survives writing and reading, and a bad trace is refused with its line
// and reason before anything of it is played.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

#include "sandbox/trace_format.h"
#include "sandbox/trace_player.h"
#include "sdk_value_equality.h"
#include "test_support.h"

namespace sb = sandbox;

namespace {

std::string Reason(const std::string& line) {
    try {
        sb::ParseRecord(line);
    } catch (const sb::TraceError& e) {
        return e.what();
    }
    return "accepted";
}

std::string TraceReason(const std::string& text) {
    std::istringstream in(text);
    try {
        sb::ReadTrace(in);
    } catch (const sb::TraceError& e) {
        return e.what();
    }
    return "accepted";
}

const std::string Header = "{\"trace\":\"zando\",\"version\":1}\n";

}  // namespace

TEST(TraceFormat, EveryRecordReadsBackAsWritten) {
    sb::record::State state;
    state.clock = 12.341667f;
    state.overtime = true;
    state.ball = Vector{-1.5f, 4500.25f, 92.75f};
    state.cars = {{{100.01f, -2560.0f, 17.01f}, 0.33f}, {{0.0f, 0.0f, 17.01f}, 1.0f}};
    sb::record::State noBall;
    noBall.removeBall = true;
    sb::record::Event stat{sb::GameEvent::StatTickerMessage, -1, 2, 4, "Save \"epic\"", ""};
    const std::vector<sb::TraceRecord> records = {
        {0.0, sb::record::Match{host::game::Playlist{"Ranked \"Doubles\"", 1, 11}, true}},
        {0.0, sb::record::Match{std::nullopt, false}},
        {0.5, sb::record::Car{1, "Kaiju", true, {2048.0f, 2560.0f, 17.01f}, 0.33f}},
        {1.0, state},
        {1.0, noBall},
        {1.25, sb::record::Event{sb::GameEvent::CarSetInput, 3, -1, -1, "", ""}},
        {1.25, sb::record::Event{sb::GameEvent::CountdownBeginState, -1, -1, -1, "", ""}},
        {1.25, stat},
        {2.0, sb::record::Mmr{13, 1012.37f}},
        {2.0, sb::record::Console{"zando_heatmap_scale 1.5; toggle_heatmap"}},
        {2.0166666666666666, sb::record::Frame{}},
        {3.0, sb::record::RemoveMatch{}},
    };
    for (const sb::TraceRecord& record : records) {
        const std::string line = sb::FormatRecord(record);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        const sb::TraceRecord back = sb::ParseRecord(line);
        EXPECT_EQ(back.t, record.t) << line;
        EXPECT_EQ(back.body.index(), record.body.index()) << line;
        EXPECT_EQ(sb::FormatRecord(back), line) << "written again, the line is the same";
    }
    // Numbers are written with the digits that make the float, not the double expansion of it.
    EXPECT_NE(sb::FormatRecord(records[3]).find("\"cars\":[[100.01,-2560.0,17.01,0.33],[0.0,0.0,17.01,1.0]]"), std::string::npos)
        << sb::FormatRecord(records[3]);
    const auto parsed = std::get<sb::record::State>(sb::ParseRecord(sb::FormatRecord(records[3])).body);
    EXPECT_EQ(*parsed.clock, 12.341667f);
    EXPECT_EQ(parsed.cars[0].location, (Vector{100.01f, -2560.0f, 17.01f}));
    const auto event = std::get<sb::record::Event>(sb::ParseRecord(sb::FormatRecord(records[7])).body);
    EXPECT_EQ(event.receiver, 2);
    EXPECT_EQ(event.victim, 4);
    EXPECT_EQ(event.label, "Save \"epic\"");
}

// A float's shortest text, read as a double, is what std::to_chars writes and std::from_chars reads
// back: for floats of every bit pattern and for positions of a few decimals.
TEST(TraceFormat, AFloatsShortestTextIsTheOneToCharsWrites) {
    const auto reference = [](float value) {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        double read = 0.0;
        std::from_chars(text, end, read);
        return read;
    };
    std::mt19937 random(8);
    std::vector<float> values = {0.0f, -0.0f, 1048576.25f, 1048576.75f, 8388607.5f, 16777216.0f, 1e-7f, 3.4e38f, 0.1f};
    for (int i = 0; i < 300000; ++i) {
        const std::uint32_t bits = random();
        float any;
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any)) values.push_back(any);
        values.push_back(static_cast<float>(static_cast<int>(random() % 2000000) - 1000000) / 100.0f);  // -10000.00..10000.00
        values.push_back(std::ldexp(static_cast<float>(random() % 16777216), static_cast<int>(random() % 40) - 30));
    }
    for (const float value : values) {
        const double shortest = sb::ShortestDouble(value), expected = reference(value);
        ASSERT_EQ(std::memcmp(&shortest, &expected, sizeof shortest), 0) << value << ": " << shortest << " / " << expected;
    }
}

TEST(TraceFormat, ABadLineIsRefusedWithItsReason) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"({"t":1,"type":"frame")", "not valid JSON"},
        {R"([1,2])", "a line must hold one JSON object"},
        {std::string(R"({"t":1,"type":"frame"})") + '\0' + "x", "not valid JSON (syntax error at byte 23"},  // a NUL is no end
        {R"({"type":"frame"})", "missing field \"t\" in the record"},
        {R"({"t":"1","type":"frame"})", "field \"t\" in the record must be a number"},
        {R"({"t":-1,"type":"frame"})", "field \"t\" in the record must be a number of seconds, 0 or more"},
        {R"({"t":1,"type":"teleport"})", "unknown record type \"teleport\""},
        {R"({"t":1,"type":"event","name":"Kickoff"})", "unknown event \"Kickoff\""},
        {R"({"t":1,"type":"event","name":"SetInput"})", "missing field \"car\" in a \"event\" record"},
        {R"({"t":1,"type":"event","name":"EventHitBall","car":1.5})",
         "field \"car\" in a \"event\" record must be a whole number"},
        {R"({"t":1,"type":"event","name":"HandleStatTickerMessage","receiver":0})", "missing field \"label\""},
        {R"({"t":1,"type":"car","team":2,"name":"A","location":[0,0,17],"boost":0.3})",
         "field \"team\" in a \"car\" record must be a whole number from 0 to 1"},
        {R"({"t":1,"type":"car","team":0,"name":"A","location":[0,0],"boost":0.3})",
         "field \"location\" in a \"car\" record must be a list of three numbers"},
        {R"({"t":1,"type":"car","team":0,"name":"A","location":[0,0,17],"boost":1.5})",
         "must be a fraction of a full tank from 0 to 1"},
        {R"({"t":1,"type":"state","cars":[[0,0,17]]})", "must be a list of [x, y, z, boost]"},
        {R"({"t":1,"type":"state","overtme":true})", "unknown field \"overtme\" in a \"state\" record"},
        {R"({"t":1,"type":"match","playlist":{"title":"X","ranked":1,"id":3}})",
         "field \"ranked\" in the playlist must be true or false"},
        {R"({"t":1,"type":"console"})", "missing field \"statements\""},
        // Numbers beyond a double, or beyond a float where the game keeps a float.
        {R"({"t":1e400,"type":"frame"})", "not valid JSON (number overflow parsing '1e400')"},
        {R"({"t":1,"type":"car","team":0,"name":"A","location":[0,-1e39,17],"boost":0.3})", "must be a number of at most 3.4e38"},
        {R"({"t":1,"type":"state","clock":1e300})", "field \"clock\" in a \"state\" record must be a number of at most 3.4e38"},
        // Found by fuzzing: a car's coordinate beyond a float's range was taken (and written back as null).
        {R"({"t":1,"type":"state","cars":[[1781.09,1e39,17.01,0.0]]})",
         "field \"cars\" in a \"state\" record must be a number of at most 3.4e38"},
        {std::string(10, '[') + std::string(10, ']'), "lists and objects nest deeper than 8 levels"},
    };
    for (const auto& [line, reason] : cases)
        EXPECT_NE(Reason(line).find(reason), std::string::npos) << line << "\n" << Reason(line);
}

TEST(TraceFormat, AnOverlongOrDeepLineIsRefusedWithoutBeingKeptWhole) {
    // Deep brackets and a 9 MB line: refused by their depth and length, with their line.
    EXPECT_EQ(TraceReason(Header + std::string(60000, '[') + "\n"), "line 2: lists and objects nest deeper than 8 levels");
    EXPECT_EQ(TraceReason(Header + std::string(1000000, '[') + "\n"),
              "line 2: the line is longer than 65536 bytes, the most a line may hold");
    const std::string huge = R"({"t":1,"type":"console","statements":")" + std::string(9 << 20, 'x') + "\"}";
    EXPECT_EQ(TraceReason(Header +
                          R"({"t":0,"type":"frame"})"
                          "\n" +
                          huge + "\n"),
              "line 3: the line is longer than 65536 bytes, the most a line may hold");
    const std::string longest = R"({"t":1,"type":"console","statements":")" + std::string(65536 - 40, 'x') + "\"}";
    ASSERT_EQ(longest.size(), 65536u);
    EXPECT_EQ(TraceReason(Header + longest + "\n"), "accepted") << "a line of exactly the limit is read";
}

TEST(TraceFormat, ATraceIsCheckedAsAWholeAndTheLineIsNamed) {
    const std::string match = R"({"t":0,"type":"match","playlist":null})"
                              "\n";
    const std::string car = R"({"t":0,"type":"car","team":0,"name":"A","local":true,"location":[0,0,17],"boost":0.33})"
                            "\n";
    EXPECT_EQ(TraceReason(""), "the trace is empty: its first line must be the header {\"trace\":\"zando\",\"version\":2}");
    EXPECT_EQ(TraceReason("{\"trace\":\"zando\",\"version\":3}\n"),
              "line 1: trace format version 3 is not supported (this sandbox reads versions 1 to 2)");
    EXPECT_EQ(TraceReason("{\"trace\":\"other\",\"version\":1}\n"),
              "line 1: not a ZANDO trace: the header's \"trace\" must be \"zando\"");
    EXPECT_EQ(TraceReason(Header + match +
                          R"({"t":2,"type":"frame"})"
                          "\n"
                          R"({"t":1.5,"type":"frame"})"
                          "\n"),
              "line 4: time goes backwards: 1.5 s after 2 s");
    EXPECT_EQ(TraceReason("{\"trace\":\"zando\",\"version\":2}\n" + match + car +
                          R"({"t":124.05,"type":"frame"})"
                          "\n"
                          R"({"t":100,"type":"inputs"})"
                          "\n"),
              "line 5: time goes backwards: 100 s after 124.05 s")
        << "an inputs line too";
    EXPECT_EQ(TraceReason(Header + car), "line 2: a car needs a match, and no match has been started");
    EXPECT_EQ(TraceReason(Header + match + car +
                          R"({"t":1,"type":"event","name":"EventHitBall","car":1})"
                          "\n"),
              "line 4: car 1 does not exist (the match has 1 car)");
    EXPECT_EQ(TraceReason(Header + match + car +
                          R"({"t":1,"type":"state","cars":[[0,0,17,0],[1,1,17,0]]})"
                          "\n"),
              "line 4: the \"cars\" list has 2 entries, but the match has 1 car");
    EXPECT_EQ(TraceReason(Header + match + car + car), "line 4: a second local car: the match already has one");
    EXPECT_EQ(TraceReason(Header + match + car +
                          R"({"t":1,"type":"remove_match"})"
                          "\n"
                          R"({"t":1,"type":"state","clock":3})"
                          "\n"),
              "line 5: a match state needs a match, and no match has been started");
    EXPECT_EQ(TraceReason("{\"trace\":\"zando\",\"version\":2}\n" +
                          std::string(R"({"t":0,"type":"inputs"})"
                                      "\n") +
                          match),
              "line 2: an \"inputs\" line (each car's input) needs a match, and no match has been started");

    // Blank lines and Windows line ends are fine; events of the match object need no match.
    std::istringstream good(Header + "\r\n" + match + car + "\n" +
                            R"({"t":0.5,"type":"event","name":"Destroyed"})"
                            "\r\n");
    const sb::Trace trace = sb::ReadTrace(good);
    EXPECT_EQ(trace.records.size(), 3u);
}

TEST(TracePlayer, AnEmptyStateBeforeAnyMatchChangesNothing) {
    zando_test::TempDir home;
    host::Host host(home.path());
    sb::TracePlayer player(host);
    std::istringstream in(Header + R"({"t":0,"type":"state"})"
                                   "\n"
                                   R"({"t":0.5,"type":"frame"})"
                                   "\n");
    const sb::Trace trace = sb::ReadTrace(in);
    for (const sb::TraceRecord& record : trace.records) EXPECT_NO_THROW(player.Play(record));
    EXPECT_EQ(host.World().currentGame, nullptr);
    EXPECT_EQ(player.Now(), 0.5);
}
