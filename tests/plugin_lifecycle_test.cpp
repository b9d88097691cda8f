// The ZANDO library as the game loads it: entry points, the exports record, onLoad's state, the
// window slots and the sandbox program around it.
#include <gtest/gtest.h>

#include <imgui.h>

#include <cstring>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "host/runtime/plugin_library.h"
#include "plugin/match_snapshot.h"
#include "test_support.h"

using zando_test::LoadedZando;
using zando_test::TempDir;

TEST(PluginEntryPoints, OneObjectPerProcessAndDeleteMeIsIdempotent) {
    std::string error;
    auto library = host::PluginLibrary::Open(ZANDO_PLUGIN_PATH, error);
    ASSERT_NE(library, nullptr) << error;
    auto* info = static_cast<const BakkesMod::Plugin::PluginInfo*>(library->Symbol("exports"));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->apiBuildVersion, 95);
    EXPECT_STREQ(info->fileName, "plugin/zando.cpp");
    EXPECT_STREQ(info->className, "ZANDO");
    EXPECT_STREQ(info->pluginName, "ZANDO");
    EXPECT_STREQ(info->pluginVersion, "1.0");
    EXPECT_EQ(info->pluginType, 1u);

    using Object = std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>;
    auto* first = reinterpret_cast<Object*>(info->initializeFunc());
    auto* object = first->get();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(first->use_count(), 1);
    auto* second = reinterpret_cast<Object*>(info->initializeFunc());
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->get(), object);

    auto* constructed = static_cast<ZANDO*>(object);
    EXPECT_TRUE(constructed->tracker.sampling.positionHeatmap.empty()) << "grids are sized by onLoad, not the constructor";
    EXPECT_EQ(constructed->settings.serverUrl, zando::FallbackServerUrl);
    EXPECT_EQ(constructed->panel.menuTitle, "ZANDO");

    info->delFunc();
    EXPECT_EQ(first->get(), nullptr);
    info->delFunc();
    EXPECT_EQ(first->get(), nullptr);
}

TEST(PluginLoad, AfterOnLoadTheMatchRecordIsFreshPausedAndSized) {
    TempDir home;
    LoadedZando zando(home.path());
    ZANDO& z = zando.Zando();
    EXPECT_TRUE(z.flags.trackingPaused);
    EXPECT_TRUE(z.flags.matchActive);
    EXPECT_TRUE(z.settings.showHeatmap);
    EXPECT_FALSE(z.settings.showPostGame);
    EXPECT_EQ(z.settings.serverUrl, zando::DefaultServerUrl);
    for (const auto* grid : {&z.tracker.sampling.positionHeatmap, &z.tracker.match.shotHeatmap, &z.allTimeShotHeatmap}) {
        EXPECT_EQ(*grid, Grid<float>(62, 50));
    }
    for (const auto* grid : {&z.tracker.match.goalHeatmap, &z.allTimeGoalHeatmap}) {
        EXPECT_EQ(*grid, Grid<int32_t>(62, 50));
    }
    EXPECT_EQ(zando.Lines(), (std::vector<std::string>{"[RESET STATS] Clearing all data...",
                                                       "[LOAD] No existing all-time heatmap found (starting fresh)"}))
        << "onLoad logs nothing of its own";
    EXPECT_TRUE(zando.hostMessages.empty());
}

// A load removes what writes cut short by a kill left behind: the temporaries of its own files whose
// process no longer runs. Those of a running process, and other programs' files, stay.
TEST(PluginLoad, RemovesTheTemporariesOfItsOwnFilesThatNoRunningProcessHolds) {
    TempDir home;
    const auto data = home.path() / "data";
    std::filesystem::create_directories(data);
#if defined(_WIN32)
    const unsigned long self = GetCurrentProcessId();
#else
    const unsigned long self = static_cast<unsigned long>(getpid());
#endif
    // 4194305 is no process on either system: above Linux's largest id, and not a multiple of 4 as Windows ids are.
    const std::string gone = "zando_stats.json.tmp.4194305.3", goneToo = "zando_alltime_heatmap.dat.tmp.4194305.12";
    const std::string running = "zando_stats.json.tmp." + std::to_string(self) + ".4";
    const std::string others[] = {"notes.txt.tmp.4194305.1", "zando_stats.json.tmp.x.1", "zando_stats.json"};
    for (const std::string& name : {gone, goneToo, running}) zando_test::WriteFile(data / name, "{");
    for (const std::string& name : others) zando_test::WriteFile(data / name, "{");
    LoadedZando zando(home.path());
    EXPECT_FALSE(std::filesystem::exists(data / gone));
    EXPECT_FALSE(std::filesystem::exists(data / goneToo));
    EXPECT_TRUE(std::filesystem::exists(data / running)) << "its process may still be writing it";
    for (const std::string& name : others) EXPECT_TRUE(std::filesystem::exists(data / name)) << name;
}

// The snapshot a program that loaded the library reads the match's figures from: only while the
// plug-in is loaded, as much of it as the reader has room for, and the panel's tab within 0..7.
TEST(PluginSnapshot, GivesTheMatchFiguresWhileLoadedAndOnlyWhatTheReaderHasRoomFor) {
    TempDir home;
    host::Host host(home.path());
    host::LoadResult loaded = host.LoadPlugin(ZANDO_PLUGIN_PATH, "ZANDO");
    ASSERT_NE(loaded.plugin, nullptr) << loaded.error;
    const host::PluginLibrary& library = *loaded.plugin->library;
    const auto snapshotOf = reinterpret_cast<ZandoMatchSnapshotFunction>(library.Symbol(ZandoMatchSnapshotSymbol));
    const auto selectTab = reinterpret_cast<ZandoSelectPanelTabFunction>(library.Symbol(ZandoSelectPanelTabSymbol));
    ASSERT_NE(snapshotOf, nullptr);
    ASSERT_NE(selectTab, nullptr);

    auto& zando = *static_cast<ZANDO*>(loaded.plugin->Object());
    zando.tracker.match.shots = 7;
    zando.tracker.match.goals = 2;
    zando.tracker.match.boostUsed = 312.5f;
    zando.tracker.match.speedSum = 3000.0f;
    zando.tracker.match.speedSamples = 2;
    ZandoMatchSnapshot whole{};
    ASSERT_EQ(snapshotOf(&whole, sizeof whole), 1);
    EXPECT_EQ(whole.version, 1u);
    EXPECT_EQ(whole.size, 36u) << "two counts of 4 bytes and seven figures of 4 bytes";
    EXPECT_EQ(whole.shots, 7);
    EXPECT_EQ(whole.goals, 2);
    EXPECT_EQ(whole.boostUsed, 312.5f);
    EXPECT_EQ(whole.averageSpeed, 1500.0f);

    // An older reader's smaller snapshot: the rest of its memory is left alone.
    unsigned char older[16];
    std::memset(older, 0xAB, sizeof older);
    ASSERT_EQ(snapshotOf(reinterpret_cast<ZandoMatchSnapshot*>(older), 12), 1);
    std::uint32_t size = 0;
    std::memcpy(&size, older + 4, sizeof size);
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(older[12], 0xAB);
    EXPECT_EQ(snapshotOf(&whole, 7), 0) << "no room for the version and size";

    EXPECT_EQ(selectTab(5), 1);
    EXPECT_EQ(zando.panel.selectedTab, 5);
    EXPECT_EQ(selectTab(8), 0);
    EXPECT_EQ(selectTab(-1), 0);
    EXPECT_EQ(zando.panel.selectedTab, 5);

    host.UnloadPlugin(loaded.plugin);
    // The library stays open while the host keeps it; here it has let it go, so open it again to ask.
    std::string error;
    auto again = host::PluginLibrary::Open(ZANDO_PLUGIN_PATH, error);
    ASSERT_NE(again, nullptr) << error;
    const auto unloadedSnapshot = reinterpret_cast<ZandoMatchSnapshotFunction>(again->Symbol(ZandoMatchSnapshotSymbol));
    EXPECT_EQ(unloadedSnapshot(&whole, sizeof whole), 0) << "no plug-in is loaded";
}

TEST(PluginWindows, MenuSlotsOpenCloseAndInputBlockingFollowImGui) {
    TempDir home;
    LoadedZando zando(home.path());
    auto* window = zando.Plugin().window;
    auto* settings = zando.Plugin().settings;
    ASSERT_NE(window, nullptr);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(window->GetMenuName(), "ZANDO");
    EXPECT_EQ(window->GetMenuTitle(), "ZANDO");
    EXPECT_EQ(settings->GetPluginName(), "ZANDO");
    EXPECT_TRUE(window->IsActiveOverlay());

    zando.Run("togglemenu ZANDO");
    EXPECT_TRUE(zando.Zando().panel.isWindowOpen);
    zando.Run("togglemenu ZANDO");
    EXPECT_FALSE(zando.Zando().panel.isWindowOpen);
    zando.Run("togglemenu Nope");
    EXPECT_EQ(zando.Lines().back(), "No window named \"Nope\"");

    // The host's Dear ImGui context is made current in the plug-in's own copy of Dear ImGui.
    EXPECT_FALSE(window->ShouldBlockInput()) << "no context handed over yet";
    ImGuiContext* context = ImGui::CreateContext();
    window->SetImGuiContext(reinterpret_cast<std::uintptr_t>(context));
    EXPECT_FALSE(window->ShouldBlockInput());
    ImGui::GetIO().WantCaptureKeyboard = true;
    EXPECT_TRUE(window->ShouldBlockInput());
    ImGui::GetIO().WantCaptureKeyboard = false;
    ImGui::GetIO().WantCaptureMouse = true;
    EXPECT_TRUE(window->ShouldBlockInput());
    settings->SetImGuiContext(0);
    EXPECT_FALSE(window->ShouldBlockInput());
    ImGui::DestroyContext(context);
}

TEST(Sandbox, LoadsRunsStatementsAndUnloadsPrintingOnlyConsoleLinesOnStandardOutput) {
    TempDir home;
    const std::string sandbox = std::string(ZANDO_SANDBOX_PATH) + " --home " + home.path().string();
    auto first = zando_test::RunCommand(
        sandbox + " --exec \"zando_heatmap_pos_x 2000; cvarlist zando_heatmap_pos; zando_reset_stats\"", home.path());
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out,
              "[RESET STATS] Clearing all data...\n"
              "[LOAD] No existing all-time heatmap found (starting fresh)\n"
              "zando_heatmap_pos_x \"2000\"\n"
              "zando_heatmap_pos_y \"60\"\n"
              "[RESET STATS] Clearing all data...\n"
              "[ZANDO] Stats have been reset!\n");
    EXPECT_NE(first.err.find("loaded ZANDO 1.0 (API build 95)"), std::string::npos) << first.err;
    EXPECT_NE(first.err.find("unloaded ZANDO and deleted the plug-in object"), std::string::npos) << first.err;

    auto second = zando_test::RunCommand(sandbox + " --exec zando_heatmap_pos_x", home.path());
    EXPECT_EQ(second.out,
              "[RESET STATS] Clearing all data...\n"
              "[LOAD] No existing all-time heatmap found (starting fresh)\n"
              "zando_heatmap_pos_x \"2000\"\n")
        << "a saved setting is read back in the next run";

    auto refused = zando_test::RunCommand(sandbox + " --plugin " + ZANDO_PROBE_PLUGIN_PATH + " --exec cvarlist", home.path());
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("holds the class \"Probe\", not \"ZANDO\""), std::string::npos) << refused.err;
}
