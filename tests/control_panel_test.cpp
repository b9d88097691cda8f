// The control panel, the settings page and the heatmap window driven like a player drives them:
// clicks on the sidebar, buttons, check boxes and the zone inspector, and what each one changes.
#include "dashboard_server.h"
#include "host/runtime/recording_canvas.h"
#include "imgui_driver.h"
#include "match_support.h"

using zando_test::ImGuiDriver;
using Lines = std::vector<std::string>;

class ControlPanel : public zando_test::MatchTest {
protected:
    ControlPanel() : ui(Host()) {}
    void SetUp() override {
        Host().ToggleMenu("ZANDO");
        ui.Frame();  // the windows exist from their first frame on
        // The panel where the test expects it, the heatmap window out of its way.
        ui.Frame({-FLT_MAX, -FLT_MAX}, false, [] {
            ImGui::SetWindowPos("ZANDO", {0.0f, 0.0f});
            ImGui::SetWindowSize("ZANDO", {1100.0f, 1075.0f});  // tall enough for every tab without scrolling
            ImGui::SetWindowPos("ZANDO Heatmap", {1500.0f, 0.0f});
        });
        ui.Frame();
    }
    void ShowTab(int tab) {
        Z().panel.selectedTab = tab;
        ui.Frame();
        ui.Frame();
    }
    // A widget of the tab's region, by its label, in the column x of that region.
    void ClickIn(const std::string& region, const std::string& label, float x = 40.0f) {
        const ImVec2 at = ui.Locate(region, label, x);
        ASSERT_GE(at.x, 0.0f) << label << " not found in " << region;
        ui.Click(at);
    }

    ImGuiDriver ui;
};

TEST_F(ControlPanel, ASidebarClickShowsTheNewTabInTheSameFrame) {
    Z().settings.apiKey = "zk_live_1234";
    const ImVec2 entry = ui.Locate("Sidebar", "  Dashboard Integration", 60.0f);
    ASSERT_GE(entry.x, 0.0f);
    ui.Frame(entry, false);
    ui.Frame(entry, true);
    EXPECT_EQ(Z().panel.selectedTab, 0) << "a selectable acts on release";
    ui.Frame(entry, false);
    EXPECT_EQ(Z().panel.selectedTab, 6);
    EXPECT_EQ(std::string(Z().panel.apiKeyInputBuffer.data()), "zk_live_1234")
        << "the integration tab ran in the frame of the click";
}

// The integration tab says how to run a dashboard and point ZANDO at it, and shows no address that
// leads nowhere: none is set until the player enters one, and it says so.
TEST_F(ControlPanel, TheIntegrationTabSaysHowToRunADashboardAndShowsNoMadeUpAddress) {
    Z().settings.uploadEnabled = true;
    Z().settings.apiKey = "zk_live_1234";
    Z().panel.selectedTab = 6;
    ui.Frame();
    ImGuiWindow* tab = ImGuiDriver::Window("DashboardContent");
    ASSERT_NE(tab, nullptr);
    std::string drawn;  // without spaces: a space draws nothing
    for (float y = 0.0f; y <= tab->ScrollMax.y + 100.0f; y += 100.0f) {
        ui.Frame({-FLT_MAX, -FLT_MAX}, false, [&] { ImGui::SetScrollY(tab, std::min(y, tab->ScrollMax.y)); });
        for (const std::string& line : ImGuiDriver::DrawnLines(tab)) drawn += line + "\n";
    }
    for (const char* said : {"NoDashboardAddressSet", "zando-dashboardserve--listen", "\"zando-dashboardkeyscreateNAME\""})
        EXPECT_NE(drawn.find(said), std::string::npos) << said << " in\n" << drawn;
    EXPECT_EQ(drawn.find(".example"), std::string::npos) << drawn;
    EXPECT_EQ(drawn.find("createanaccount"), std::string::npos) << drawn;
}

TEST_F(ControlPanel, ACollapsedPanelPopsWhatItPushedAndDrawsNoTabNorHeatmap) {
    std::size_t colours = 99, variables = 99;
    ui.Inside([&] {
        colours = static_cast<std::size_t>(GImGui->ColorStack.Size);
        variables = static_cast<std::size_t>(GImGui->StyleVarStack.Size);
    });
    ui.Frame({-FLT_MAX, -FLT_MAX}, false, [] { ImGui::SetWindowCollapsed("ZANDO", true); });
    ui.Frame();
    EXPECT_EQ(colours, 0u);
    EXPECT_EQ(variables, 0u);
    EXPECT_FALSE(ImGuiDriver::Window("ZANDO Heatmap")->Active) << "no heatmap window while the panel is collapsed";
    EXPECT_FALSE(ImGuiDriver::Window("DashboardLeft")->Active) << "and no tab";

    ui.Frame({-FLT_MAX, -FLT_MAX}, false, [] { ImGui::SetWindowCollapsed("ZANDO", false); });
    ui.Frame();
    EXPECT_TRUE(ImGuiDriver::Window("ZANDO Heatmap")->Active);
    EXPECT_EQ(colours, 0u);
    EXPECT_EQ(variables, 0u);
}

TEST_F(ControlPanel, TheHeatmapWindowFollowsTheScaleAndItsFlag) {
    Z().settings.heatmapScale = 2.0f;
    ui.Frame();
    ui.Frame();
    const ImGuiWindow* window = ImGuiDriver::Window("ZANDO Heatmap");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Size.x, 624.0f) << "the 600-pixel grid and the padding";
    EXPECT_GE(window->Size.y, 744.0f + 5 * ImGui::GetTextLineHeightWithSpacing()) << "the 744-pixel grid and every line under it";
    EXPECT_FALSE(window->ScrollbarY) << "sized to what it holds";

    ShowTab(3);
    MarkLines();
    ClickIn("DisplayContent", "Show Heatmap Window", 10.0f);
    EXPECT_EQ(NewLines(), (Lines{"[ZANDO] Heatmap visibility set to: DISABLED"}));
    EXPECT_EQ(zando.Value("zando_show_heatmap"), "0");
    ui.Frame();
    EXPECT_FALSE(ImGuiDriver::Window("ZANDO Heatmap")->Active);
}

class HeatmapWindow : public zando_test::MatchTest {};

// The panel, the heatmap window and the history window opened together: each one whole on the screen
// and clear of the others; where the screen has room, clear of the canvas overlays too.
TEST_F(HeatmapWindow, EveryWindowOpensInsideTheScreenClearOfTheOthersAndOfTheOverlaysWhereThereIsRoom) {
    struct Rect {
        float left, top, right, bottom;
        bool Overlaps(const Rect& o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
    };
    for (const ImVec2 display : {ImVec2{1280, 720}, ImVec2{1920, 1080}, ImVec2{3840, 2160}}) {
        const std::string where = std::to_string(static_cast<int>(display.x)) + "x" + std::to_string(static_cast<int>(display.y));
        ImGuiDriver ui(Host());
        ImGui::GetIO().DisplaySize = display;
        if (!Z().panel.isWindowOpen) Host().ToggleMenu("ZANDO");
        if (!Z().panel.showHistoryWindow) zando.Run("zando_history_window");
        ui.Frame();
        ui.Frame();
        std::vector<Rect> opened;
        for (const char* name : {"ZANDO", "ZANDO Heatmap", "ZANDO Match History"}) {
            const ImGuiWindow* window = ImGuiDriver::Window(name);
            ASSERT_NE(window, nullptr) << name;
            const Rect rect{window->Pos.x, window->Pos.y, window->Pos.x + window->Size.x, window->Pos.y + window->Size.y};
            EXPECT_TRUE(rect.left >= 0.0f && rect.top >= 0.0f && rect.right <= display.x && rect.bottom <= display.y)
                << name << " off the screen at " << where << ": " << rect.left << "," << rect.top << " - " << rect.right << ","
                << rect.bottom;
            for (const Rect& other : opened)
                EXPECT_FALSE(rect.Overlaps(other)) << name << " covers a window at " << where << ": " << rect.left << ","
                                                   << rect.top << " - " << rect.right << "," << rect.bottom;
            opened.push_back(rect);
        }
        if (display.x < 1920.0f) continue;  // no room for three windows beside the overlays
        // The overlays at the default settings, scaled from their 1920 x 1080 places as they are drawn.
        const float fx = display.x / 1920.0f, fy = display.y / 1080.0f, f = std::min(fx, fy);
        const Rect heatmap{1154 * fx, 60 * fy, 1154 * fx + 250 * f, 60 * fy + 375 * f};
        const Rect card{1441 * fx, 29 * fy, 1441 * fx + 450 * f, 29 * fy + 495 * f};
        for (const Rect& window : opened) {
            EXPECT_FALSE(window.Overlaps(heatmap)) << where;
            EXPECT_FALSE(window.Overlaps(card)) << where;
        }
    }
}

// On a screen taller than 1080 pixels the windows grow with it: each window, and the text of the
// panel's About tab, takes the same share of the screen's height at 2160p as at 1080p; the host's font
// scale and style are given back as they were, for the windows of others.
TEST_F(HeatmapWindow, OnATallerScreenTheWindowsAndTheirTextTakeTheSameShareOfIt) {
    const std::vector<std::string> names = {"ZANDO", "ZANDO Heatmap", "ZANDO Match History", "AboutContent"};
    const auto measure = [&](ImVec2 display) {
        ImGuiDriver ui(Host());
        ImGui::GetIO().DisplaySize = display;
        if (!Z().panel.isWindowOpen) Host().ToggleMenu("ZANDO");
        if (!Z().panel.showHistoryWindow) zando.Run("zando_history_window");
        Z().panel.selectedTab = 7;
        const ImGuiStyle before = ImGui::GetStyle();
        ui.Frame();
        ui.Frame();
        EXPECT_EQ(ImGui::GetIO().FontGlobalScale, 1.0f);
        EXPECT_EQ(ImGui::GetStyle().ItemSpacing.y, before.ItemSpacing.y);
        EXPECT_EQ(ImGui::GetStyle().WindowPadding.x, before.WindowPadding.x);
        std::vector<ImVec2> sizes;
        for (const std::string& name : names) {
            const ImGuiWindow* window = ImGuiDriver::Window(name);
            if (!window) {
                ADD_FAILURE() << name << " not drawn";
                sizes.push_back({});
                continue;
            }
            sizes.push_back(name == "AboutContent" ? window->ContentSize : window->Size);
        }
        return sizes;
    };
    const std::vector<ImVec2> fullHd = measure({1920, 1080}), ultraHd = measure({3840, 2160});
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_GT(fullHd[i].y, 100.0f) << names[i];
        EXPECT_NEAR(ultraHd[i].y, 2.0f * fullHd[i].y, 3.0f) << names[i];
        if (names[i] != "AboutContent") {
            EXPECT_NEAR(ultraHd[i].x, 2.0f * fullHd[i].x, 3.0f) << names[i];
        }
    }
}

TEST_F(ControlPanel, PositionSlidersWriteOnReleaseAndResetRestoresTheDefaults) {
    ShowTab(3);
    const ImVec2 slider = ui.Locate("DisplayContent", "##HeatmapX", 60.0f);
    ASSERT_GE(slider.x, 0.0f);
    const std::string saved = zando.Value("zando_heatmap_pos_x");
    ui.Frame(slider, false);
    ui.Frame(slider, true);
    ui.Frame({slider.x + 120.0f, slider.y}, true);
    EXPECT_NE(Z().settings.heatmapPosX, 1154) << "the member follows the drag";
    EXPECT_EQ(zando.Value("zando_heatmap_pos_x"), saved) << "the variable waits for the release";
    ui.Frame({slider.x + 120.0f, slider.y}, false);
    EXPECT_EQ(zando.Value("zando_heatmap_pos_x"), std::to_string(Z().settings.heatmapPosX));

    Z().settings.postGameScale = 2.0f;
    Z().settings.showPostGame = true;
    ClickIn("DisplayContent", "Reset All to Defaults");
    EXPECT_EQ(Z().settings.heatmapPosX, 1154);
    EXPECT_EQ(zando.Value("zando_heatmap_pos_x"), "1154");
    EXPECT_EQ(zando.Value("zando_postgame_scale"), "1.0") << "the registered default";
    EXPECT_EQ(Z().settings.postGameScale, 1.0f) << "the member too, though its variable held the default already";
    EXPECT_TRUE(Z().settings.showPostGame) << "visibility is not a position";
}

// A scale or opacity slider spans its variable's range and writes only the variable: the member
// changes when the variable's change callback runs on the game thread, not in the window's frame.
TEST_F(ControlPanel, ValueSlidersWriteTheVariableWhoseCallbackStoresTheMember) {
    ShowTab(3);
    const ImVec2 slider = ui.Locate("DisplayContent", "##opacity", 60.0f);
    ASSERT_GE(slider.x, 0.0f);
    const float before = Z().settings.windowOpacity;
    ui.SetLockstep(false);
    ui.Frame(slider, false);
    ui.Frame(slider, true);
    ui.Frame({slider.x + 2000.0f, slider.y}, true);  // far past the right end
    EXPECT_EQ(Z().settings.windowOpacity, before) << "the window's frame leaves the member alone";
    Host().GetScheduler().RunPending();
    EXPECT_EQ(Z().settings.windowOpacity, 1.0f) << "the variable's maximum";
    EXPECT_EQ(zando.Value("zando_window_opacity"), "1.000000");
    ui.SetLockstep(true);
    ui.Frame({slider.x - 2000.0f, slider.y}, true);
    ui.Frame({slider.x - 2000.0f, slider.y}, false);
    EXPECT_FLOAT_EQ(Z().settings.windowOpacity, 0.2f) << "the variable's minimum";
}

TEST_F(ControlPanel, EnableAndDisableAllStatsUpdateThePreview) {
    ShowTab(4);
    ClickIn("PostGameContent", " Disable All Stats ", 240.0f);
    EXPECT_FALSE(Z().settings.showSpeed || Z().settings.showBoost || Z().settings.showShots || Z().settings.showPossession ||
                 Z().settings.showGameTime);
    EXPECT_EQ(zando.Value("zando_show_gametime"), "0");
    ClickIn("PostGameContent", " Enable All Stats ", 40.0f);
    EXPECT_TRUE(Z().settings.showSpeed && Z().settings.showBoost && Z().settings.showShots && Z().settings.showPossession &&
                Z().settings.showGameTime);
    EXPECT_EQ(zando.Value("zando_show_speed"), "1");
}

TEST_F(ControlPanel, TheZoneInspectorSelectsTheClickedZoneOnlyWhenThePanelIsUnderTheMouse) {
    ShowTab(2);
    Z().tracker.match.shotHeatmap[4][8] = 10.0f;
    Z().tracker.match.goalHeatmap[4][8] = 1;
    // The grid starts under the heading and its text: find its first cell's top edge, then its left
    // edge, by clicking down and then across until a zone is selected.
    const ImGuiWindow* content = ImGuiDriver::Window("Content");
    ASSERT_NE(content, nullptr);
    float top = -1.0f, left = -1.0f;
    for (float y = content->Pos.y; y < content->Pos.y + 200.0f && top < 0.0f; y += 1.0f) {
        ui.Click({content->Pos.x + 30.0f, y});
        if (Z().panel.selection.zoneSelected) top = y;
    }
    ASSERT_GE(top, 0.0f);
    for (float x = content->Pos.x; x < content->Pos.x + 60.0f && left < 0.0f; x += 1.0f) {
        Z().panel.selection.zoneSelected = false;
        ui.Click({x, top + 5.0f});
        if (Z().panel.selection.zoneSelected) left = x;
    }
    ASSERT_GE(left, 0.0f);
    ui.Click({left + 2 * 20 + 10, top + 1 * 20 + 10});
    EXPECT_EQ(Z().panel.selection.selectedZoneCol, 8);
    EXPECT_EQ(Z().panel.selection.selectedZoneRow, 4);
    EXPECT_EQ(Z().panel.selection.selectedZoneCols, 4) << "a cell stands for its block of 4 x 4 zones";
    EXPECT_EQ(Z().panel.selection.selectedZoneRows, 4);
    // A click on the edge two cells share selects the later one.
    ui.Click({left + 3 * 20, top + 1 * 20 + 10});
    EXPECT_EQ(Z().panel.selection.selectedZoneCol, 12);
    // The last row and column of cells take the zones the 4 x 4 blocks leave (rows 56-61, columns 44-49).
    ui.Click({left + 11 * 20 + 10, top + 14 * 20 + 10});
    EXPECT_EQ(Z().panel.selection.selectedZoneCol, 44);
    EXPECT_EQ(Z().panel.selection.selectedZoneRow, 56);
    EXPECT_EQ(Z().panel.selection.selectedZoneCols, 6);
    EXPECT_EQ(Z().panel.selection.selectedZoneRows, 6);

    // Another window over the grid takes the click.
    Z().panel.selection.selectedZoneCol = Z().panel.selection.selectedZoneRow = -1;
    Z().panel.selection.zoneSelected = false;
    ui.Frame({-FLT_MAX, -FLT_MAX}, false, [&] {
        ImGui::SetWindowPos("ZANDO Heatmap", {left, top});
        ImGui::SetWindowFocus("ZANDO Heatmap");
    });
    ui.Click({left + 2 * 20 + 10, top + 1 * 20 + 10});
    EXPECT_FALSE(Z().panel.selection.zoneSelected);
    EXPECT_EQ(Z().panel.selection.selectedZoneCol, -1);
}

// The text the windows drew in the last frame, read back from their vertices: each glyph is a quad
// with the glyph's four corners in the font atlas. Spaces draw nothing, so they are not in it.
std::string TextOfFrame(ImGuiDriver& ui) {
    ui.Frame();
    const ImFont* font = ImGui::GetIO().Fonts->Fonts[0];
    std::string text;
    for (const ImGuiWindow* window : GImGui->Windows) {
        if (!window->WasActive) continue;
        const ImVector<ImDrawVert>& v = window->DrawList->VtxBuffer;
        for (int i = 0; i + 3 < v.Size; ++i) {
            for (const ImFontGlyph& g : font->Glyphs) {
                if (!g.Visible || g.Codepoint > 0x7F) continue;
                const auto at = [](const ImDrawVert& vertex, float u, float w) { return vertex.uv.x == u && vertex.uv.y == w; };
                if (at(v[i], g.U0, g.V0) && at(v[i + 1], g.U1, g.V0) && at(v[i + 2], g.U1, g.V1) && at(v[i + 3], g.U0, g.V1)) {
                    text += static_cast<char>(g.Codepoint);
                    i += 3;
                    break;
                }
            }
        }
    }
    return text;
}

std::string WithoutSpaces(std::string text) {
    std::erase(text, ' ');
    return text;
}

TEST_F(ControlPanel, AFigureReadsTheSameOnTheCardThePanelAndTheSettingsPage) {
    // Figures whose rounding and cutting differ: 38.6 kph, 24.0 mph, 58.7 s of 245.9 s (23.9 %).
    match.StartMatch();
    Z().tracker.match.speedSum = 1072.2f * 10;
    Z().tracker.match.speedSamples = 10;
    Z().tracker.match.possessionTime = 58.7f;
    Z().tracker.match.gameTime = 245.9f;
    Z().tracker.match.boostCollected = 100.9f;
    Z().tracker.match.boostUsed = 50.7f;
    Z().settings.showPostGame = true;
    host::RecordingCanvas card;
    Host().RenderFrame(&card);
    for (const char* text : {"38 kph  /  24 mph", "58s  (23%)", "4m 5s", "Collected: 100", "Used: 50"})
        EXPECT_NE(card.FindText(text), nullptr) << "card: " << text;

    ShowTab(0);
    const std::string dashboard = TextOfFrame(ui);
    // The panel's own shapes: the seconds of the duration in two digits, one space before the bracket.
    for (const char* text : {"38 kph  /  24 mph", "58s (23%)", "4m 05s", "100", "50 (50%)"})
        EXPECT_NE(dashboard.find(WithoutSpaces(text)), std::string::npos) << "dashboard: " << text << "\n" << dashboard;
    ShowTab(5);
    EXPECT_NE(TextOfFrame(ui).find(WithoutSpaces("Session Time: 245 seconds")), std::string::npos);

    Host().ToggleMenu("ZANDO");
    ASSERT_TRUE(Host().ShowSettingsPage("ZANDO", true));
    ui.Frame();
    const std::string page = TextOfFrame(ui);
    for (const char* text : {"Avg Speed: 38 kph", "Possession: 23%"})
        EXPECT_NE(page.find(WithoutSpaces(text)), std::string::npos) << "settings page: " << text << "\n" << page;
}

TEST_F(ControlPanel, TheConnectionTestShowsEachOutcome) {
    zando_test::DashboardServer server(home.path(), "zk_test", {"--statuses", "200,403,404,503,502,204,301"});
    Z().settings.apiKey = "zk_test";
    Z().settings.uploadEnabled = true;
    Z().settings.serverUrl = server.Url("http", "/");
    ShowTab(6);
    ui.SetLockstep(false);  // the press shows its state until the game thread has run the test
    const ImVec2 button = ui.Locate("DashboardContent", "Test Connection", 100.0f);
    ASSERT_GE(button.x, 0.0f);
    const std::vector<std::pair<std::string, int>> outcomes = {
        {"✓ Connection successful! Your API key is valid.", 200},
        {"✗ Invalid API key (Status: 403)", 403},
        {"⚠ Server reached but endpoint not found (404)", 404},
        {"⚠ Server unavailable (503) - Service may be starting up or down", 503},
        {"✗ Server error (502) - Please try again later", 502},
        {"⚠ Unexpected status: 204", 204},
        {"⚠ Unexpected status: 301", 301},
    };
    for (const auto& [text, status] : outcomes) {
        MarkLines();
        ui.Click(button);
        EXPECT_EQ(Z().panel.connectionTestResult, "🔄 Testing connection...");
        zando.Settle();  // the worker sends it; the game thread shows the outcome
        EXPECT_EQ(Z().panel.connectionTestResult, text);
        EXPECT_EQ(Z().panel.connectionTestStatus, status);
        EXPECT_EQ(NewLines(), (Lines{"[ZANDO] Testing connection to " + server.Url("http", "/") + "...", "[ZANDO] " + text}));
    }
    // Presses while a test has no outcome yet start no second one, and say why.
    MarkLines();
    ui.Click(button);
    ui.Click(button);
    ui.Click(button);
    EXPECT_TRUE(Z().panel.connectionTestRefused);
    EXPECT_EQ(NewLines(),
              (Lines{"[ZANDO] Testing connection to " + server.Url("http", "/") + "...",
                     "[ZANDO] A connection test is already running - wait for its result",
                     "[ZANDO] A connection test is already running - wait for its result", "[ZANDO] " + outcomes.back().first}));
    EXPECT_EQ(server.Requests().size(), outcomes.size() + 1) << "one request for the three presses";
    EXPECT_FALSE(Z().panel.connectionTestRefused);
    ui.Click(button);
    zando.Settle();
    EXPECT_EQ(server.Requests().size(), outcomes.size() + 2) << "a press after the result starts a new test";

    const auto request = server.Requests().front();
    EXPECT_EQ(request["request_line"], "GET /api/health HTTP/1.1");
    EXPECT_EQ(zando_test::DashboardServer::Header(request, "User-Agent"), "ZANDO/1.0");
    EXPECT_EQ(zando_test::DashboardServer::Header(request, "Authorization"), "Bearer zk_test");

    // What the press decides on its own, and failures before any answer (no status).
    const auto press = [&](const std::string& url) {
        Z().settings.serverUrl = url;
        ui.Click(button);
        zando.Settle();
        return std::make_pair(Z().panel.connectionTestResult, Z().panel.connectionTestStatus);
    };
    EXPECT_EQ(press("127.0.0.1:1/"), std::make_pair(std::string("✗ Invalid server URL format."), 0));
    EXPECT_EQ(press("http://127.0.0.1:9"), std::make_pair(std::string("✗ Failed to send request. Check server URL."), 0));
    Z().settings.uploadEnabled = false;
    EXPECT_EQ(press(server.Url()), std::make_pair(std::string("ℹ Upload is disabled. Enable it to test connection."), 0));
    Z().settings.apiKey.clear();
    EXPECT_EQ(press(server.Url()), std::make_pair(std::string("✗ Please enter an API key first"), 0));
    Z().settings.uploadEnabled = true;
    Z().settings.apiKey = "bad\nkey";
    EXPECT_EQ(press(server.Url()).first,
              "✗ The API key contains a control character (such as a line break) - enter it again in Dashboard Integration");
}

TEST_F(ControlPanel, TheSettingsPageOpensThePanelAndItsTogglesWriteTheirVariables) {
    Host().ToggleMenu("ZANDO");  // closed again
    ASSERT_TRUE(Host().ShowSettingsPage("ZANDO", true));
    ui.Frame();
    ui.Frame();
    const std::string page = "Plug-in settings: ZANDO";
    ui.SetLockstep(false);
    MarkLines();
    ClickIn(page, "  Open Full Control Panel", 100.0f);
    EXPECT_FALSE(Z().panel.isWindowOpen) << "the command runs on the game thread, later";
    Host().Advance(0.0);
    EXPECT_EQ(NewLines(), (Lines{"] togglemenu ZANDO"}));
    EXPECT_TRUE(Z().panel.isWindowOpen);
    Host().ToggleMenu("ZANDO");  // the panel would cover the page
    ui.SetLockstep(true);
    ui.Frame();

    const bool allTime = Z().settings.showAllTimeHeatmap;
    ClickIn(page, "Show All-Time Data", 80.0f);
    EXPECT_EQ(Z().settings.showAllTimeHeatmap, !allTime);
    EXPECT_EQ(zando.Value("zando_show_alltime_heatmap"), allTime ? "0" : "1");
    const bool heatmap = Z().settings.showHeatmap;
    ClickIn(page, "Show Heatmap", 80.0f);
    EXPECT_EQ(Z().settings.showHeatmap, !heatmap) << "through its variable, like every switch";
    EXPECT_EQ(zando.Value("zando_show_heatmap"), heatmap ? "0" : "1");
}

TEST_F(ControlPanel, TheApiKeyFieldStoresWhatIsTypedAndTheStatusFollows) {
    Z().settings.uploadEnabled = true;
    Z().settings.apiKey.clear();
    ShowTab(6);
    const ImVec2 field = ui.Locate("DashboardContent", "##APIKey", 100.0f);
    ASSERT_GE(field.x, 0.0f);
    ui.Click(field);
    ui.Frame(field, false, [] { ImGui::GetIO().AddInputCharacter('k'); });
    EXPECT_EQ(Z().settings.apiKey, "k") << "the key is stored with the edit";
    EXPECT_EQ(zando.Value("zando_api_key"), "k");
    ui.Frame(field, false, [] { ImGui::GetIO().AddInputCharacter('7'); });
    EXPECT_EQ(Z().settings.apiKey, "k7");

    // A key set elsewhere later does not reach a field that already holds text.
    Z().settings.apiKey = "zk_other";
    ui.Frame();
    EXPECT_EQ(std::string(Z().panel.apiKeyInputBuffer.data()), "k7");
}

TEST_F(ControlPanel, ExportButtonsConfirmOnlyAWrittenFile) {
    ShowTab(5);
    const ImVec2 csv = ui.Locate("ExportContent", " Export Heatmap to CSV ", 100.0f);
    ASSERT_GE(csv.x, 0.0f);
    MarkLines();
    ui.Click(csv);
    EXPECT_EQ(NewLines(),
              (Lines{"Heatmap exported to: " + zando_test::InDataFolder(Host().DataFolder(), "shot_heatmap_data.csv").string(),
                     "[ZANDO] Heatmap data exported to CSV"}));
    std::filesystem::remove_all(Host().DataFolder());
    MarkLines();
    ui.Click(csv);
    EXPECT_EQ(NewLines(),
              (Lines{"Failed to open file: " + zando_test::InDataFolder(Host().DataFolder(), "shot_heatmap_data.csv").string()}))
        << "no confirmation of a file that was not written";
}

TEST_F(ControlPanel, TheHeatmapTabResetsThePositionAndScaleOnly) {
    ShowTab(1);
    Z().settings.heatmapPosX = 300;
    Z().settings.heatmapScale = 2.0f;
    Z().settings.showAccuracyOverlay = true;
    ClickIn("HeatmapControls", "Reset to Default Position", 100.0f);
    EXPECT_EQ(Z().settings.heatmapPosX, 1154);
    EXPECT_EQ(Z().settings.heatmapPosY, 60);
    EXPECT_EQ(Z().settings.heatmapScale, 1.0f);
    EXPECT_EQ(zando.Value("zando_heatmap_pos_x"), "1154");
    EXPECT_TRUE(Z().settings.showAccuracyOverlay) << "the display mode is not a position";

    ClickIn("HeatmapControls", "All-Time Data", 200.0f);
    EXPECT_TRUE(Z().settings.showAllTimeHeatmap);
    EXPECT_EQ(zando.Value("zando_show_alltime_heatmap"), "1");
}
