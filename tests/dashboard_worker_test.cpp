// The dashboard's exchanges on the plug-in's worker thread: the match's end hands the signed request
// over and returns; the lines come later on the game thread, word for word and in order; uploads
// queue; unload waits for the one in flight; and a match the dashboard did not take is kept in the
// history and sent again by "zando_upload_missed".
#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "dashboard_server.h"
#include "history_rows.h"
#include "match_support.h"

using zando_test::DashboardServer;
using Lines = std::vector<std::string>;

namespace {

const std::string Key = "zk_worker_7c1d";
const std::string Start = "[ZANDO] 🔄 Starting upload... (Shots: 2, Goals: 1, Time: 120s)";
const std::string Uploaded = "[ZANDO] ✅ Stats uploaded successfully! (Status: 200)";
const std::string Completed = "[ZANDO] Upload attempt completed";
const std::string Done = "[STATS] Match ended processing complete.";

class DashboardWorker : public zando_test::MatchTest {
protected:
    void SetUp() override {
        Z().settings.uploadEnabled = true;
        Z().settings.apiKey = Key;
        local = &StartPlaying();
    }
    std::filesystem::path Folder(const std::string& name) {
        std::filesystem::create_directories(home.path() / name);
        return home.path() / name;
    }
    // The end of a match with these figures; returns the lines said by the time the event returned,
    // without waiting for the worker.
    Lines EndMatch(int shots) {
        Z().flags.matchFinished = false;
        Z().flags.uploadedThisMatch = false;
        Z().tracker.match.shots = shots;
        Z().tracker.match.goals = 1;
        Z().tracker.match.gameTime = 120.0f;
        const std::size_t before = RawLines().size();
        match.Fire(zando_test::events::MatchEnded);
        return {RawLines().begin() + static_cast<std::ptrdiff_t>(before), RawLines().end()};
    }
    const Lines& RawLines() { return Host().GetConsole().Lines(); }
    // Every line from the first start of an upload on, settled.
    Lines UploadLines() {
        const Lines& all = zando.Lines();
        return {std::find_if(all.begin(), all.end(), [](const std::string& line) { return line.rfind("[ZANDO] 🔄", 0) == 0; }),
                all.end()};
    }
    // The attempt's lines as they always were, with the handler's last line after them.
    static Lines Attempt(const std::string& outcome, const std::string& start = Start) {
        return {start, "[ZANDO] JSON payload size: <n> bytes", outcome, Completed, Done};
    }
    static Lines WithoutSizes(Lines lines) {
        for (std::string& line : lines)
            if (line.rfind("[ZANDO] JSON payload size: ", 0) == 0) line = "[ZANDO] JSON payload size: <n> bytes";
        return lines;
    }
    host::game::Car* local = nullptr;
};

}  // namespace

// A dashboard that never answers, one that answers late and one that fails: the match's end returns
// before any answer (its request is still in flight), and the lines that follow are today's, once.
TEST_F(DashboardWorker, TheMatchEndNeverWaitsAndTheLinesAreTheSameInOrder) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::string outcome;
    };
    const std::vector<Case> cases = {
        {"hung", {"--behaviour", "hang"}, "[ZANDO] ✗ Failed to receive response from server (Error: 12002)"},
        {"slow", {"--delay", "2"}, Uploaded},
        {"failing", {"--statuses", "503"}, "[ZANDO] ⚠ Upload failed: Server unavailable (503) - Try again later"},
    };
    for (const Case& c : cases) {
#if defined(_WIN32)
        if (std::string(c.name) == "hung") continue;  // Wine's WinHTTP applies no time-out while it waits
#endif
        DashboardServer server(Folder(c.name), Key, c.options);
        Z().settings.serverUrl = server.Url();
        const std::size_t before = zando.Lines().size();
        const Lines atTheEnd = EndMatch(2);
        EXPECT_TRUE(Z().flags.uploadInProgress) << c.name;
        EXPECT_EQ(std::count(atTheEnd.begin(), atTheEnd.end(), c.outcome), 0) << c.name << ": the game thread did not wait";
        const Lines& all = zando.Lines();
        const Lines after(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        const auto from = std::find(after.begin(), after.end(), Start);
        EXPECT_EQ(WithoutSizes(Lines(from, after.end())), Attempt(c.outcome)) << c.name;
        EXPECT_EQ(Z().flags.uploadedThisMatch, c.outcome == Uploaded) << c.name;
        EXPECT_FALSE(Z().flags.uploadInProgress) << c.name;
        EXPECT_EQ(server.Requests().size(), 1u) << c.name;
    }
}

// Two matches ending while the first one's upload waits for its answer: the second one's files and
// row are kept at once, and its upload follows the first; each attempt has its own lines.
TEST_F(DashboardWorker, AMatchEndWhileAnUploadIsInFlightQueuesItsUploadBehindIt) {
    DashboardServer server(Folder("slow"), Key, {"--delay", "1"});
    Z().settings.serverUrl = server.Url();
    EndMatch(2);
    match.Fire(zando_test::events::InitGame);  // the next match
    EndMatch(5);
    const std::string size = "[ZANDO] JSON payload size: <n> bytes";
    const Lines lines = WithoutSizes(UploadLines());
    ASSERT_EQ(lines.size(), 2u + 2u + 2u + 6u) << ::testing::PrintToString(lines);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 2), (Lines{Start, size}));
    EXPECT_EQ(lines[2].rfind("[EXPORT] Stats exported to: ", 0), 0u) << "the second match's file, not behind the upload";
    EXPECT_EQ(lines[3], "[STATS] Triggering upload to server...");
    EXPECT_EQ(Lines(lines.begin() + 4, lines.end()), (Lines{"[ZANDO] 🔄 Starting upload... (Shots: 5, Goals: 1, Time: 120s)", size,
                                                            Uploaded, Completed, Done, Uploaded, Completed, Done}));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(requests[0]["body"].get<std::string>())["shots"], 2);
    EXPECT_EQ(nlohmann::json::parse(requests[1]["body"].get<std::string>())["shots"], 5);
    EXPECT_TRUE(Z().flags.uploadedThisMatch);
}

// While an upload waits for a dashboard that never answers (up to its 8 s), each shot of the next
// match is saved to the all-time file: no save waits behind the network.
TEST_F(DashboardWorker, EachShotIsSavedWhileAnUploadWaitsForADashboardThatNeverAnswers) {
#if defined(_WIN32)
    GTEST_SKIP() << "Wine's WinHTTP applies no time-out while it waits";
#endif
    DashboardServer hung(Folder("hung"), Key, {"--behaviour", "hang"});
    Z().settings.serverUrl = hung.Url();
    EndMatch(2);
    for (int waited = 0; hung.Requests().empty() && waited < 500; ++waited)  // the upload in flight
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // The exchange in flight ends at its time-out, 8 s from now: every save must come before.
    const auto exchangeEndsAfter = std::chrono::steady_clock::now() + std::chrono::seconds(7);
    match.Fire(zando_test::events::InitGame);
    const std::filesystem::path file = zando_test::InDataFolder(Host().DataFolder(), "zando_alltime_heatmap.dat");
    for (int shot = 1; shot <= 3; ++shot) {
        match.SetClock(10.0f * static_cast<float>(shot));
        TouchFrom(*local, {0, 1000, 17});
        match.StatTicker(*local, "Shot on Goal");
        ASSERT_EQ(Z().tracker.match.shots, shot);
        // Read without settling (that would wait for the exchange): the zone's heat, 5 a shot, the file's
        // float after its three numbers (version, columns, rows) and the zone's 23 * 50 + 25 before it.
        float heat = 0.0f;
        while (heat != 5.0f * static_cast<float>(shot) && std::chrono::steady_clock::now() < exchangeEndsAfter) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::error_code missing;
            if (!std::filesystem::exists(file, missing)) continue;
            const std::string bytes = zando_test::ReadFile(file);
            constexpr std::size_t At = 12 + (23 * 50 + 25) * 4;
            if (bytes.size() == 24812) std::memcpy(&heat, bytes.data() + At, sizeof heat);
        }
        EXPECT_EQ(heat, 5.0f * static_cast<float>(shot)) << "shot " << shot << " not saved while the upload waited";
    }
}

// Unload with one upload in flight to a dashboard that never answers and one queued behind it: it
// waits for the first (and says so) until its time-out, drops the second, which the history keeps as
// missed; after the reload, "zando_upload_missed" sends it to a dashboard that answers, and a second
// run finds nothing left.
TEST_F(DashboardWorker, UnloadWaitsForTheExchangeInFlightAndTheMissedMatchIsSentLater) {
#if defined(_WIN32)
    GTEST_SKIP() << "Wine's WinHTTP applies no time-out while it waits";
#endif
    const auto hung = std::make_unique<DashboardServer>(Folder("hung"), Key, std::vector<std::string>{"--behaviour", "hang"});
    Z().settings.serverUrl = hung->Url();
    EndMatch(2);
    match.Fire(zando_test::events::InitGame);
    EndMatch(7);
    for (int waited = 0; hung->Requests().empty() && waited < 500; ++waited)  // the first one in flight
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::size_t before = RawLines().size();
    zando.Unload();
    const Lines atUnload(RawLines().begin() + static_cast<std::ptrdiff_t>(before), RawLines().end());
    EXPECT_NE(std::find(atUnload.begin(), atUnload.end(),
                        "[ZANDO] Sending to the dashboard before unloading (at most 8 s an exchange; a match not sent "
                        "stays for zando_upload_missed)"),
              atUnload.end());
    EXPECT_NE(std::find(atUnload.begin(), atUnload.end(), "[ZANDO] ✗ Failed to receive response from server (Error: 12002)"),
              atUnload.end())
        << "the first one's end, said before unload returned";
    EXPECT_NE(std::find(atUnload.begin(), atUnload.end(),
                        "[ZANDO] ✗ Upload not sent: the plug-in was unloaded first - zando_upload_missed sends it later"),
              atUnload.end());
    ASSERT_EQ(hung->Requests().size(), 1u);
    const auto rows = zando_test::ReadHistoryFile(zando_test::InDataFolder(Host().DataFolder(), "zando_history.sqlite3"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("uploaded"), "0");
    EXPECT_EQ(rows[1].at("uploaded"), "0");
    EXPECT_EQ(nlohmann::json::parse(rows[1].at("upload_body"))["shots"], 7);

    DashboardServer server(Folder("up"), Key);
    Host().GetConsole().Execute("plugin load zando");
    zando.Run("zando_enable_upload 1; zando_api_key " + Key + "; zando_server_url " + server.Url());
    const std::size_t resend = zando.Lines().size();
    zando.Run("zando_upload_missed");
    const Lines lines(zando.Lines().begin() + static_cast<std::ptrdiff_t>(resend), zando.Lines().end());
    ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "[ZANDO] Looking for matches the dashboard has not received...");
    EXPECT_EQ(lines[1].rfind("[ZANDO] 🔄 Sending match #1 (ended ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[3].rfind("[ZANDO] 🔄 Sending match #2 (ended ", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], Uploaded);
    EXPECT_EQ(lines[5], "[ZANDO] ✅ All missed uploads sent (2 matches)");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1]["body"], rows[1].at("upload_body")) << "the body kept, byte for byte";
    EXPECT_TRUE(requests[1]["signature_ok"]) << "signed again";
    zando.Run("zando_upload_missed");
    EXPECT_EQ(zando.Lines().back(), "[ZANDO] No missed uploads - the dashboard has every match the history kept for it");
    // Each row says it was sent and no longer keeps its body.
    for (const auto& row : zando_test::ReadHistoryFile(zando_test::InDataFolder(Host().DataFolder(), "zando_history.sqlite3"))) {
        EXPECT_EQ(row.at("uploaded"), "1");
        EXPECT_EQ(row.at("upload_body"), "");
    }
}

// Sending missed matches stops at the first one the dashboard does not take.
TEST_F(DashboardWorker, SendingMissedMatchesStopsAtTheFirstFailure) {
    {
        DashboardServer down(Folder("down"), Key, {"--statuses", "503"});
        Z().settings.serverUrl = down.Url();
        for (int shots : {1, 2, 3}) {
            EndMatch(shots);
            match.Fire(zando_test::events::InitGame);
        }
        zando.Settle();
    }
    DashboardServer flaky(Folder("flaky"), Key, {"--statuses", "200,401"});
    Z().settings.serverUrl = flaky.Url();
    const std::size_t before = zando.Lines().size();
    zando.Run("zando_upload_missed");
    const Lines lines(zando.Lines().begin() + static_cast<std::ptrdiff_t>(before), zando.Lines().end());
    ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[2], Uploaded);
    EXPECT_EQ(lines[3].rfind("[ZANDO] 🔄 Sending match #2 (ended ", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], "[ZANDO] ✗ Upload failed: Invalid API key (401) - Check your API key in settings");
    EXPECT_EQ(lines[5], "[ZANDO] Stopped at the first failure - 2 missed matches left to send");
    const auto requests = flaky.Requests();
    ASSERT_EQ(requests.size(), 2u) << "the third was not tried";
    EXPECT_EQ(nlohmann::json::parse(requests[0]["body"].get<std::string>())["shots"], 1) << "oldest first";
}

// A server whose health answer names the whole match: asked once, with the key, before the first
// upload to it; each match then goes whole to its own address, signed, with its own id; one it did not
// take is kept whole and sent whole again.
TEST_F(DashboardWorker, AServerThatTakesTheWholeMatchIsAskedOnceAndSentEachMatchWhole) {
    std::vector<nlohmann::json> sent;
    {
        DashboardServer down(Folder("down"), Key, {"--formats", "v1,v2", "--statuses", "503"});
        Z().settings.serverUrl = down.Url();
        for (int shots : {2, 3}) {
            match.Fire(zando_test::events::InitGame);
            EndMatch(shots);
        }
        zando.Settle();
        const auto probes = down.Probes();
        ASSERT_EQ(probes.size(), 1u) << "asked once";
        EXPECT_EQ(probes[0]["request_line"], "GET /api/health HTTP/1.1");
        EXPECT_TRUE(probes[0]["key_ok"].get<bool>());
        sent = down.Requests();
    }
    ASSERT_EQ(sent.size(), 2u);
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i]["request_line"], "POST /api/v2/matches HTTP/1.1");
        EXPECT_TRUE(sent[i]["signature_ok"].get<bool>());
        const nlohmann::json body = nlohmann::json::parse(sent[i]["body"].get<std::string>());
        EXPECT_EQ(body["shots"], i == 0 ? 2 : 3);
        EXPECT_EQ(body["places"], nlohmann::json::array());
        EXPECT_EQ(body["result"], nullptr) << "the game gave no score";
        ids.push_back(body["matchId"]);
        EXPECT_EQ(ids.back().size(), 32u);
    }
    EXPECT_NE(ids[0], ids[1]);

    const auto rows = zando_test::ReadHistoryFile(zando_test::InDataFolder(Host().DataFolder(), "zando_history.sqlite3"));
    ASSERT_EQ(rows.size(), 2u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].at("upload_path"), "/api/v2/matches");
        EXPECT_EQ(rows[i].at("upload_body"), sent[i]["body"]) << "kept whole";
    }
    DashboardServer up(Folder("up"), Key, {"--formats", "v1,v2"});
    Z().settings.serverUrl = up.Url();
    zando.Run("zando_upload_missed");
    EXPECT_EQ(zando.Lines().back(), "[ZANDO] ✅ All missed uploads sent (2 matches)");
    const auto again = up.Requests();
    ASSERT_EQ(again.size(), 2u);
    for (std::size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i]["request_line"], "POST /api/v2/matches HTTP/1.1");
        EXPECT_EQ(again[i]["body"], sent[i]["body"]) << "the same match, its first time kept";
    }
}

// Matches kept for one API key are not sent under another: after the player changes keys,
// "zando_upload_missed" sends the new key's match and says how many it left;
// "zando_upload_missed_to_this_key" sends those under the key set now, as asked. The history names
// each match's key without holding the key.
TEST_F(DashboardWorker, MissedMatchesOfAnotherKeyAreSentUnderThisOneOnlyWhenAsked) {
    const std::string other = "zk_worker_other_88f1";
    {
        DashboardServer down(Folder("down"), Key, {"--statuses", "503"});
        Z().settings.serverUrl = down.Url();
        for (int shots : {1, 2}) {
            EndMatch(shots);
            match.Fire(zando_test::events::InitGame);
        }
        Z().settings.apiKey = other;
        EndMatch(3);
        zando.Settle();
    }
    const std::filesystem::path history = zando_test::InDataFolder(Host().DataFolder(), "zando_history.sqlite3");
    const auto kept = zando_test::ReadHistoryFile(history);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].at("upload_key").size(), 16u);
    EXPECT_EQ(kept[0].at("upload_key"), kept[1].at("upload_key"));
    EXPECT_NE(kept[0].at("upload_key"), kept[2].at("upload_key"));
    const std::string bytes = zando_test::ReadFile(history);
    EXPECT_EQ(bytes.find(Key), std::string::npos);
    EXPECT_EQ(bytes.find(other), std::string::npos);

    DashboardServer up(Folder("up"), other);
    Z().settings.serverUrl = up.Url();
    const auto run = [&](const std::string& command) {
        const std::size_t before = zando.Lines().size();
        zando.Run(command);
        return Lines(zando.Lines().begin() + static_cast<std::ptrdiff_t>(before), zando.Lines().end());
    };
    Lines lines = run("zando_upload_missed");
    ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[1],
              "[ZANDO] ⚠ 2 missed matches were kept for another API key (or before ZANDO noted keys) - not sent under this "
              "one; zando_upload_missed_to_this_key sends them under it");
    EXPECT_EQ(lines[2].rfind("[ZANDO] 🔄 Sending match #3 (ended ", 0), 0u) << lines[2];
    EXPECT_EQ(lines[4], "[ZANDO] ✅ All missed uploads sent (1 match)");
    EXPECT_EQ(Z().panel.missedForOtherKeys, 2);

    lines = run("zando_upload_missed_to_this_key");
    ASSERT_EQ(lines.size(), 7u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[1],
              "[ZANDO] ⚠ 2 missed matches were kept for another API key (or before ZANDO noted keys) - sent "
              "under the key set now, as asked");
    EXPECT_EQ(lines[6], "[ZANDO] ✅ All missed uploads sent (2 matches)");
    EXPECT_EQ(Z().panel.missedForOtherKeys, 0);
    const auto requests = up.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_TRUE(requests[i]["signature_ok"].get<bool>()) << "signed under the key set now";
        EXPECT_EQ(nlohmann::json::parse(requests[i]["body"].get<std::string>())["shots"], i == 0 ? 3 : static_cast<int>(i));
    }
    EXPECT_EQ(run("zando_upload_missed").back(),
              "[ZANDO] No missed uploads - the dashboard has every match the history kept for it");
}
