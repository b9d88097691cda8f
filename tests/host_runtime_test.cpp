// Host runtime: plug-in loading by symbols, what a plug-in registers and its removal at unload,
// the virtual clock, event dispatch and the game-object handles.
// <filesystem> before the SDK: GameWrapper::GetDataFolder is declared only then.
#include <filesystem>

#include <gtest/gtest.h>

#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "bakkesmod/wrappers/GameWrapper.h"
#include "host/runtime/host.h"
#include "test_support.h"

using zando_test::TempDir;
using Lines = std::vector<std::string>;

namespace {

host::CVarRecord SwitchVariable(const std::string& name, const std::string& value) {
    host::CVarRecord definition;
    definition.name = name;
    definition.defaultValue = definition.value = value;
    return definition;
}

}  // namespace

TEST(HostLoading, RefusesWhatIsNotAPluginForThisHostWithAReason) {
    TempDir home;
    host::Host host(home.path());
    struct Case {
        std::string path, expectedClass, reason;
    } cases[] = {
        {(home.path() / "missing.so").string(), "", "missing.so"},
        {ZANDO_HOSTSDK_PATH, "", "it exports no \"exports\" record"},
        {ZANDO_OLD_API_PLUGIN_PATH, "", "it was built for API build 94, this host speaks 95"},
        {ZANDO_PROBE_PLUGIN_PATH, "ZANDO", "it holds the class \"Probe\", not \"ZANDO\""},
    };
    for (const Case& c : cases) {
        host::LoadResult result = host.LoadPlugin(c.path, c.expectedClass);
        EXPECT_EQ(result.plugin, nullptr) << c.path;
        EXPECT_NE(result.error.find("Refused to load"), std::string::npos) << result.error;
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
    }
    EXPECT_TRUE(host.Plugins().empty());
}

TEST(HostLoading, EverythingAPluginRegisteredRunsUntilItIsUnloaded) {
    TempDir home;
    host::Host host(home.path());
    host.World().currentGame = std::make_unique<host::game::Server>();
    host.World().currentGame->secondsElapsed = 42.0f;
    host::LoadResult loaded = host.LoadPlugin(ZANDO_PROBE_PLUGIN_PATH);
    ASSERT_NE(loaded.plugin, nullptr) << loaded.error;
    host::Console& console = host.GetConsole();

    host.Advance(0.5);
    console.Execute("probe_cmd x y; probe_var 3");
    int params = 0;
    auto caller = reinterpret_cast<std::uintptr_t>(host.World().currentGame.get());
    EXPECT_EQ(host.FireEvent("Probe.Event", caller, &params), 2);
    host.RenderFrame(nullptr);
    host.Advance(0.5);
    EXPECT_EQ(console.Lines(), (Lines{"execute", "command words=3", "changed 0 -> 3", "hook Probe.Event",
                                      "post hook clock=42 params=set", "drawable", "timer"}));

    // A timer still pending at unload must never run: the library's code is gone.
    loaded.plugin->session->SetTimeout([](GameWrapper*) { FAIL() << "ran after unload"; }, 5.0f);
    console.ClearLines();
    host.UnloadPlugin(loaded.plugin);
    EXPECT_EQ(console.Lines(), (Lines{"unloading"}));
    console.ClearLines();
    host.Advance(10.0);
    EXPECT_EQ(host.FireEvent("Probe.Event"), 0);
    host.RenderFrame(nullptr);
    console.Execute("probe_var 4; probe_cmd");
    EXPECT_EQ(console.Lines(), (Lines{"Unknown command or variable: probe_cmd"}));
    EXPECT_EQ(console.FindCvar("probe_var")->value, "4") << "variables stay registered with their values";
}

TEST(HostLoading, APluginThatThrowsInOnLoadLeavesNothingBehind) {
    TempDir home;
    host::Host host(home.path());
    host.GetConsole().RegisterCvar(SwitchVariable("probe_fail_onload", "1"));
    host::LoadResult result = host.LoadPlugin(ZANDO_PROBE_PLUGIN_PATH);
    EXPECT_EQ(result.plugin, nullptr);
    EXPECT_EQ(result.error, "Plug-in Probe failed in onLoad: probe refused to load");
    EXPECT_FALSE(host.GetConsole().HasNotifier("probe_cmd"));
    EXPECT_TRUE(host.Plugins().empty());
}

TEST(HostClock, TimersRunInDueOrderOnTheVirtualClockAfterQueuedTasks) {
    host::Scheduler scheduler;
    std::vector<std::string> ran;
    scheduler.SetTimeout(1, [&] { ran.push_back("b@" + std::to_string(scheduler.Now())); }, 2.0);
    scheduler.SetTimeout(1, [&] { ran.push_back("a@" + std::to_string(scheduler.Now())); }, 1.0);
    scheduler.SetTimeout(2, [&] { ran.push_back("c"); }, 2.0);
    scheduler.Execute(1, [&] {
        ran.push_back("queued");
        scheduler.Execute(1, [&] { ran.push_back("queued by queued"); });
    });
    scheduler.Advance(1.5);
    EXPECT_EQ(ran, (Lines{"queued", "a@1.000000", "queued by queued"}));
    scheduler.DropOwner(2);
    scheduler.Advance(1.0);
    EXPECT_EQ(ran.back(), "b@2.000000");
    EXPECT_DOUBLE_EQ(scheduler.Now(), 2.5);
    EXPECT_EQ(scheduler.PendingCount(), 0u);
}

TEST(HostEvents, PreHooksRunBeforePostHooksAndAThrowingHookIsReported) {
    TempDir home;
    host::Host host(home.path());
    std::vector<std::string> messages, ran;
    host.SetMessageSink([&](const std::string& m) { messages.push_back(m); });
    host.Hooks().HookWithCaller(1, "E", [&](std::uintptr_t, void*, std::string) { ran.push_back("post"); }, true);
    host.Hooks().Hook(1, "E", [&](std::string) { throw std::runtime_error("oops"); });
    host.Hooks().HookWithCaller(1, "E", [&](std::uintptr_t, void*, std::string) { ran.push_back("pre"); }, false);
    host.Hooks().Hook(1, "Other", [&](std::string) { ran.push_back("other"); });
    EXPECT_EQ(host.FireEvent("E"), 3);
    EXPECT_EQ(ran, (Lines{"pre", "post"}));
    EXPECT_EQ(messages, (Lines{"hook on \"E\" threw: oops"}));
}

TEST(HostGameObjects, HandlesReadTheModelledGameAndNullHandlesAreSafe) {
    TempDir home;
    host::Host host(home.path());
    host::PluginSession session(host, 1);
    GameWrapper& game = *session.Game();
    EXPECT_TRUE(game.GetCurrentGameState().IsNull());
    EXPECT_TRUE(game.GetLocalCar().IsNull());
    EXPECT_EQ(game.GetCurrentGameState().GetCars().Count(), 0);
    EXPECT_TRUE(game.GetCurrentGameState().GetBall().IsNull());
    EXPECT_EQ(game.GetDataFolder(), home.path() / "data");
    EXPECT_TRUE(std::filesystem::is_directory(home.path() / "data"));

    auto& world = host.World();
    world.currentGame = std::make_unique<host::game::Server>();
    auto& server = *world.currentGame;
    server.ball = std::make_unique<host::game::Ball>();
    server.ball->location = {1, 2, 3};
    auto car = std::make_unique<host::game::Car>();
    car->location = {10, 20, 30};
    car->teamNum2 = 1;
    car->pri = host::game::Pri{1, "Player", {76561198000000000ull, 1}};
    car->boost = host::game::BoostComponent{0.5f};
    world.localCar = car.get();
    server.cars.push_back(std::move(car));
    server.cars.push_back(std::make_unique<host::game::Car>());  // no driver info, no boost
    server.playlist = std::make_unique<host::game::Playlist>(host::game::Playlist{"Ranked Doubles", 1, 11});
    world.localPlayer = {76561198000000000ull, 1};
    world.mmr.ratings[{76561198000000000ull, 11}] = 1012.5f;

    ServerWrapper state = game.GetCurrentGameState();
    EXPECT_FLOAT_EQ(state.GetBall().GetLocation().Z, 3.0f);
    CarWrapper local = game.GetLocalCar();
    EXPECT_FLOAT_EQ(local.GetLocation().X, 10.0f);
    EXPECT_FLOAT_EQ(local.GetLocation().Y, 20.0f);
    EXPECT_EQ(local.GetPRI().GetTeamNum(), 1);
    EXPECT_FLOAT_EQ(local.GetBoostComponent().GetCurrentBoostAmount(), 0.5f);
    EXPECT_EQ(state.GetCars().Get(0).memory_address, local.memory_address);
    EXPECT_TRUE(state.GetCars().Get(1).GetPRI().IsNull());
    EXPECT_TRUE(state.GetCars().Get(1).GetBoostComponent().IsNull());
    EXPECT_TRUE(state.GetCars().Get(2).IsNull());
    EXPECT_TRUE(state.GetCars().Get(-1).IsNull());
    EXPECT_EQ(state.GetPlaylist().GetTitle().ToString(), "Ranked Doubles");
    EXPECT_EQ(state.GetPlaylist().GetPlaylistId(), 11);
    MMRWrapper mmr = game.GetMMRWrapper();
    EXPECT_TRUE(mmr.IsSynced(game.GetUniqueID(), 11));
    EXPECT_FLOAT_EQ(mmr.GetPlayerMMR(game.GetUniqueID(), 11), 1012.5f);
    EXPECT_FLOAT_EQ(mmr.GetPlayerMMR(game.GetUniqueID(), 13), 0.0f) << "a playlist never played";
    EXPECT_FALSE(mmr.IsSyncing(game.GetUniqueID()));
    world.mmr.syncing = true;
    EXPECT_TRUE(mmr.IsSyncing(game.GetUniqueID()));
    world.mmr.failing = true;
    EXPECT_FALSE(mmr.IsSynced(game.GetUniqueID(), 11)) << "an offline service has nothing synced";
    EXPECT_FALSE(mmr.IsSyncing(game.GetUniqueID()));
    EXPECT_FLOAT_EQ(mmr.GetPlayerMMR(game.GetUniqueID(), 11), 0.0f) << "and reads 0, without throwing";
    world.onlineGame = false;
    EXPECT_TRUE(game.GetOnlineGame().IsNull());
    EXPECT_FALSE(game.GetCurrentGameState().IsNull());
}
