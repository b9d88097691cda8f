// Trace files: the compact version 2, plain and gzip-compressed, and version 1 all read back as
// exactly the records the simulation made; what version 2 leaves out is put back, and a line that
// leaves out what cannot be known is refused with its line.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "sandbox/checked_trace.h"
#include "sandbox/match_simulator.h"
#include "sandbox/trace_file.h"
#include "sandbox/trace_format.h"
#include "test_support.h"

namespace sb = sandbox;

namespace {

// Each record as a version-1 line, whatever version it was read from. A state's ball where the ball
// already was is left out of both sides: an absent field keeps its value, so the two play the same.
std::vector<std::string> Lines(const std::vector<sb::TraceRecord>& records) {
    std::vector<std::string> lines;
    std::optional<Vector> ball;
    for (sb::TraceRecord record : records) {
        if (std::holds_alternative<sb::record::Match>(record.body) || std::holds_alternative<sb::record::RemoveMatch>(record.body))
            ball.reset();
        if (auto* state = std::get_if<sb::record::State>(&record.body)) {
            if (state->removeBall) {
                ball.reset();
            } else if (state->ball) {
                if (ball && ball->X == state->ball->X && ball->Y == state->ball->Y && ball->Z == state->ball->Z) state->ball.reset();
                else ball = state->ball;
            }
        }
        lines.push_back(sb::FormatRecord(record));
    }
    return lines;
}

std::vector<sb::TraceRecord> ReadAll(const std::filesystem::path& path) {
    sb::TraceReader reader(path);
    std::vector<sb::TraceRecord> records;
    sb::TraceRecord record;
    while (reader.Next(record)) records.push_back(record);
    return records;
}

std::string Refusal(const std::string& text) {
    zando_test::TempDir dir;
    zando_test::WriteFile(dir.path() / "t.jsonl", text);
    try {
        ReadAll(dir.path() / "t.jsonl");
    } catch (const sb::TraceError& e) {
        return e.what();
    }
    return "accepted";
}

}  // namespace

TEST(TraceFile, EveryVersionReadsBackAsTheRecordsTheSimulationMade) {
    std::vector<sb::TraceRecord> made;
    const sb::SimulationSettings settings{4, 2, 10.0, 1};  // a 2v2 match: kickoffs, demolitions, goals
    sb::MatchSimulator simulator(settings, [&](const sb::TraceRecord& record) { made.push_back(record); });
    simulator.Run();
    const std::vector<std::string> expected = Lines(made);

    zando_test::TempDir dir;
    {
        std::ofstream v1(dir.path() / "v1.jsonl", std::ios::binary);
        v1 << sb::FormatHeader({1, "hand-written version 1"}) << '\n';
        for (const std::string& line : expected) v1 << line << '\n';
    }
    for (const char* name : {"v2.jsonl", "v2.jsonl.gz"}) {
        sb::TraceWriter writer(dir.path() / name, {sb::TraceFormatVersion, simulator.Source()});
        for (const auto& record : made) writer.Write(record);
        ASSERT_TRUE(writer.Close()) << name;
    }
    for (const char* name : {"v1.jsonl", "v2.jsonl", "v2.jsonl.gz"}) {
        const std::vector<std::string> read = Lines(ReadAll(dir.path() / name));
        ASSERT_EQ(read.size(), expected.size()) << name;
        for (std::size_t i = 0; i < read.size(); ++i) ASSERT_EQ(read[i], expected[i]) << name << ", record " << i;
    }
    std::ifstream v2(dir.path() / "v2.jsonl", std::ios::binary);
    EXPECT_EQ(Lines(sb::ReadTrace(v2).records), expected) << "the stream reader and the whole-trace reader agree";

    // What version 2 leaves out: the inputs after a state, unchanged heights and boosts, whole positions.
    const auto size = [&](const char* name) { return std::filesystem::file_size(dir.path() / name); };
    EXPECT_LT(size("v2.jsonl") * 3, size("v1.jsonl"));
    EXPECT_LT(size("v2.jsonl.gz") * 3, size("v2.jsonl"));
    EXPECT_EQ(zando_test::ReadFile(dir.path() / "v2.jsonl.gz").substr(0, 2), "\x1f\x8b") << "gzip's magic number";
}

// A trace checked whole is played from its records held in memory, or, past the hold limit, read again:
// both play every record as written, bit for bit, and what is held is smaller than the compact text.
TEST(TraceFile, ACheckedTracePlaysItsRecordsHeldOrReadAgain) {
    std::vector<sb::TraceRecord> made;
    sb::MatchSimulator simulator({2, 1, 10.0, 1}, [&](const sb::TraceRecord& record) { made.push_back(record); });
    simulator.Run();
    // What a simulated match does not make: a console line, a match without a playlist, offline, its removal.
    const double end = made.back().t;
    made.push_back({end, sb::record::Console{"toggle_heatmap; zando_heatmap_scale 1.5"}});
    made.push_back({end + 0.25, sb::record::Match{std::nullopt, false}});
    made.push_back({end + 0.5, sb::record::RemoveMatch{}});
    const std::vector<std::string> expected = Lines(made);

    zando_test::TempDir dir;
    sb::TraceWriter writer(dir.path() / "t.jsonl", {});
    for (const auto& record : made) writer.Write(record);
    ASSERT_TRUE(writer.Close());
    for (const std::size_t holdBytes : {sb::DefaultTraceHoldBytes, std::size_t{4096}}) {
        const sb::CheckedTrace trace(dir.path() / "t.jsonl", holdBytes);
        EXPECT_EQ(trace.Held(), holdBytes == sb::DefaultTraceHoldBytes);
        std::vector<sb::TraceRecord> records;
        const std::size_t count = trace.Play([&](const sb::TraceRecord& record) { records.push_back(record); });
        EXPECT_EQ(count, made.size());
        const std::vector<std::string> played = Lines(records);
        ASSERT_EQ(played.size(), expected.size()) << holdBytes;
        for (std::size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], expected[i]) << holdBytes << ", record " << i;
    }
    sb::PackedRecords packed;
    for (const auto& record : made) packed.Add(record);
    EXPECT_LT(packed.Bytes(), std::filesystem::file_size(dir.path() / "t.jsonl"));
}

TEST(TraceFile, WhatALineLeavesOutMustBeKnownFromTheLinesBefore) {
    const std::string header = "{\"trace\":\"zando\",\"version\":2}\n";
    const std::string match = R"({"t":0,"type":"match","playlist":null})" "\n";
    const std::string car = R"({"t":0,"type":"car","team":0,"name":"A","local":true,"location":[100,-200,17],"boost":0.5})" "\n";
    // A move from the car's location before, the height and boost kept: [x, y]; the boost given: [x, y, boost].
    zando_test::TempDir dir;
    zando_test::WriteFile(dir.path() / "t.jsonl", header + match + car + R"({"t":1,"type":"state","moved":[[1.5,-2]]})" "\n" +
                                                      R"({"t":2,"type":"state","moved":[[0,1,0.25]],"inputs":false})" "\n" +
                                                      R"({"t":3,"type":"inputs"})" "\n");
    const std::vector<std::string> read = Lines(ReadAll(dir.path() / "t.jsonl"));
    EXPECT_EQ(read, (std::vector<std::string>{
                        R"({"t":0.0,"type":"match","playlist":null,"online":true})",
                        R"({"t":0.0,"type":"car","team":0,"name":"A","local":true,"location":[100.0,-200.0,17.0],"boost":0.5})",
                        R"({"t":1.0,"type":"state","cars":[[101.5,-202.0,17.0,0.5]]})",
                        R"({"t":1.0,"type":"event","name":"SetInput","car":0})",
                        R"({"t":2.0,"type":"state","cars":[[101.5,-201.0,17.0,0.25]]})",
                        R"({"t":3.0,"type":"event","name":"SetInput","car":0})"}));

    EXPECT_EQ(Refusal(header + match + car + R"({"t":1,"type":"state","moved":[[1,2],[3,4]]})" "\n"),
              "line 4: the \"moved\" list has 2 entries, but the match has 1 car");
    EXPECT_EQ(Refusal(header + match + R"({"t":1,"type":"state","ballMoved":[1,2,3]})" "\n"),
              "line 3: \"ballMoved\" needs the ball's location from a line before");
    EXPECT_EQ(Refusal(header + match + car + R"({"t":1,"type":"state","moved":[[3e38,0]]})" "\n" +
                      R"({"t":2,"type":"state","moved":[[3e38,0]]})" "\n"),
              "line 5: a move in \"moved\" takes car 0 beyond 3.4e38");
    EXPECT_EQ(Refusal("{\"trace\":\"zando\",\"version\":1}\n" + match + R"({"t":1,"type":"inputs"})" "\n"),
              "line 3: unknown record type \"inputs\"") << "version 1 has no \"inputs\" lines";

    // A compressed trace cut short is refused, not played in part.
    sb::TraceWriter writer(dir.path() / "cut.jsonl.gz", {});
    sb::MatchSimulator simulator({2, 1, 10.0, 1}, [&](const sb::TraceRecord& record) { writer.Write(record); });
    simulator.Run();
    ASSERT_TRUE(writer.Close());
    const std::string whole = zando_test::ReadFile(dir.path() / "cut.jsonl.gz");
    zando_test::WriteFile(dir.path() / "cut.jsonl.gz", whole.substr(0, whole.size() / 2));
    EXPECT_THROW(ReadAll(dir.path() / "cut.jsonl.gz"), sb::TraceError);
}
