// The plug-in's windows on the host's render thread, concurrently with a match on the game thread, as
// the game runs them: a player clicks through the panel's tabs and presses its buttons while a match
// is played, and the plug-in's worker saves, uploads and reads the history meanwhile. Built with ThreadSanitizer (./run test) any
// unguarded access between the two threads is reported and fails the run; in every build the match's figures must be what the
// match was, and each button's work must have been done (on the game thread).
#include <atomic>
#include <set>

#include "dashboard_server.h"
#include "host/runtime/render_thread.h"
#include "imgui_driver.h"
#include "sandbox/simulated_play.h"
#include "test_support.h"

namespace {

using zando_test::ImGuiDriver;

// A button of a panel tab: the tab's sidebar entry, the region the button is in, its label, and the
// column (from the region's left edge) its label is found in.
struct Press {
    const char* tab;
    const char* region;
    const char* label;
    float x;
};

const Press Presses[] = {
    {"  Export & Data", "ExportContent", " Export Heatmap to CSV ", 100.0f},
    {"  Export & Data", "ExportContent", " Export Stats to JSON ", 100.0f},
    {"  Dashboard Integration", "DashboardContent", "Test Connection", 100.0f},
    {"  Dashboard Integration", "DashboardContent", "Send Missed Matches", 100.0f},
    {"  Dashboard", "DashboardRight", "Match History", 100.0f},  // its window reads the history on the worker
    {"  Display Settings", "DisplayContent", "Show All-Time Heatmap", 10.0f},
    {"  Display Settings", "DisplayContent", "Reset All to Defaults", 40.0f},
    {"  Heatmap", "HeatmapControls", "All-Time Data", 200.0f},
};

// The player's hand on the render thread: each call clicks one tab entry and one button of it.
class PlayerAtThePanel {
public:
    explicit PlayerAtThePanel(host::Host& host) : ui_(host, /*lockstep=*/false) {}

    bool PressNext() {
        if (!placed_) Place();
        const Press& press = Presses[next_];
        // A switch's label says what the next press does ("Match History", "Hide Match History").
        if (!Click("Sidebar", press.tab, 60.0f) ||
            !(Click(press.region, press.label, press.x) || Click(press.region, std::string("Hide ") + press.label, press.x))) {
            failed = true;
            throw std::runtime_error(std::string("not found: ") + press.label);
        }
        next_ = (next_ + 1) % std::size(Presses);
        if (next_ == 0) ++rounds;
        return true;
    }

    std::atomic<int> rounds{0};  // every button pressed once more
    std::atomic<bool> failed{false};

private:
    // The panel where every tab fits without scrolling; the heatmap window and the settings page
    // beside it (drawn every frame, not clicked).
    void Place() {
        ui_.Frame();
        ui_.Frame({-FLT_MAX, -FLT_MAX}, false, [] {
            ImGui::SetWindowPos("ZANDO", {0.0f, 0.0f});
            ImGui::SetWindowSize("ZANDO", {1100.0f, 1075.0f});
            ImGui::SetWindowPos("ZANDO Heatmap", {1500.0f, 0.0f});
            ImGui::SetWindowPos("Plug-in settings: ZANDO", {1120.0f, 480.0f});
        });
        ui_.Frame();
        placed_ = true;
    }
    bool Click(const std::string& region, const std::string& label, float x) {
        const ImVec2 at = ui_.Locate(region, label, x, 8.0f);  // every widget pressed is 16 pixels or taller
        if (at.x < 0.0f) return false;
        ui_.Click(at);
        return true;
    }

    ImGuiDriver ui_;
    bool placed_ = false;
    std::size_t next_ = 0;
};

}  // namespace

TEST(RenderThread, ButtonsPressedDuringAMatchDoTheirWorkOnTheGameThreadAndTheMatchCountsRight) {
    zando_test::TempDir home;
    zando_test::LoadedZando zando(home.path());
    host::Host& host = zando.Host();
    zando_test::DashboardServer server(home.path(), "zk_thread");
    zando.Run("zando_enable_upload 1; zando_api_key zk_thread; zando_server_url " + server.Url("http", "/"));
    host.ToggleMenu("ZANDO");
    host.ShowSettingsPage("ZANDO", true);

    sandbox::SimulatedMatch played;
    {
        PlayerAtThePanel player(host);  // its Dear ImGui context is used on the render thread only
        host::RenderThread render([&player] { return player.PressNext(); });
        played = sandbox::PlaySimulatedMatch(host, {5, 1, 10.0});  // a 1v1 match, 10 frames a second
        // The game goes on ticking until the player has pressed every button at least once.
        while (player.rounds.load() < 1 && !player.failed.load()) host.Advance(0.05);
        render.Stop();
        ASSERT_EQ(render.Failure(), "");
    }
    zando.Settle();  // the work handed over by the last press, and the worker's

    const ZANDO& z = zando.Zando();
    ASSERT_GT(played.truth.shots, 0) << "a match with shots to count";
    EXPECT_EQ(z.tracker.match.shots, played.truth.shots);
    EXPECT_EQ(z.tracker.match.goals, played.truth.goals);
    const std::filesystem::path data = host.DataFolder();
    EXPECT_TRUE(std::filesystem::exists(data / "zando_stats.json"));
    EXPECT_TRUE(std::filesystem::exists(data / "shot_heatmap_data.csv"));
    const std::vector<std::string> lines = host.GetConsole().Snapshot();
    const std::set<std::string> seen(lines.begin(), lines.end());
    for (const char* line : {"[ZANDO] Heatmap data exported to CSV", "[ZANDO] Stats data exported to JSON",
                             "[ZANDO] ✓ Connection successful! Your API key is valid."})
        EXPECT_TRUE(seen.count(line)) << line;
    std::multiset<std::string> requests;
    for (const auto& request : server.Requests()) requests.insert(request["request_line"].get<std::string>());
    EXPECT_GE(requests.count("GET /api/health HTTP/1.1"), 1u) << "the connection test reached the dashboard";
    EXPECT_EQ(requests.count("POST /api/stats/upload HTTP/1.1"), 1u) << "the match was uploaded once";
}
