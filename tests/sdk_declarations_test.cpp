// The stand-in SDK declares what the framework's SDK declares, so that code which builds here builds
// for the game: the checks below fail to compile when a declaration drifts from the framework's
// (a member the framework lacks, a const getter, another field type, a comparison it does not have).
#include <gtest/gtest.h>

#include <filesystem>  // before the SDK: GameWrapper::GetDataFolder is declared only then

#include <concepts>
#include <cstdint>
#include <type_traits>

#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "bakkesmod/wrappers/GameObject/Stats/StatEventWrapper.h"

namespace plugin = BakkesMod::Plugin;

// [SECTION] The plug-in record and its types
static_assert(BAKKESMOD_PLUGIN_API_VERSION == 95);
static_assert(PLUGINTYPE_FREEPLAY == 0x01 && PLUGINTYPE_CUSTOM_TRAINING == 0x02 && PLUGINTYPE_SPECTATOR == 0x04 &&
              PLUGINTYPE_BOTAI == 0x08 && PLUGINTYPE_REPLAY == 0x10 && PLUGINTYPE_THREADED == 0x20 &&
              PLUGINTYPE_THREADEDUNLOAD == 0x40);
static_assert(std::is_same_v<plugin::GetPluginFunc, std::uintptr_t (*)()>);
static_assert(std::is_same_v<plugin::deleteFunc, void (*)()>);
static_assert(std::is_same_v<decltype(plugin::PluginInfo::apiBuildVersion), short>);
static_assert(std::is_same_v<decltype(plugin::PluginInfo::pluginType), const unsigned long>);
static_assert(std::is_same_v<decltype(plugin::PluginInfo::initializeFunc), plugin::GetPluginFunc>);
static_assert(std::is_same_v<decltype(plugin::PluginInfo::delFunc), plugin::deleteFunc>);
static_assert(offsetof(plugin::PluginInfo, fileName) < offsetof(plugin::PluginInfo, className) &&
              offsetof(plugin::PluginInfo, className) < offsetof(plugin::PluginInfo, pluginName) &&
              offsetof(plugin::PluginInfo, pluginVersion) < offsetof(plugin::PluginInfo, pluginType) &&
              offsetof(plugin::PluginInfo, initializeFunc) < offsetof(plugin::PluginInfo, delFunc));

// [SECTION] Handles: built from an address, no default, no truth value, getters not const
static_assert(std::is_convertible_v<std::uintptr_t, ServerWrapper>);
static_assert(!std::is_default_constructible_v<CVarWrapper>);
static_assert(!std::is_constructible_v<bool, ServerWrapper> && !std::is_constructible_v<bool, CVarWrapper>);
template <class T>
concept HasIsNull = requires(T handle) { handle.IsNull(); };
static_assert(HasIsNull<ServerWrapper> && HasIsNull<CarWrapper> && HasIsNull<CVarWrapper> && HasIsNull<StatEventWrapper>);
static_assert(!HasIsNull<ObjectWrapper> && !HasIsNull<UniqueIDWrapper> && !HasIsNull<CanvasWrapper>);
static_assert(!std::is_invocable_v<decltype(&ServerWrapper::GetSecondsElapsed), const ServerWrapper&>);
static_assert(!std::is_invocable_v<decltype(&UniqueIDWrapper::GetUID), const UniqueIDWrapper&>);
static_assert(std::is_same_v<decltype(&StatEventWrapper::GetEventName), std::string (StatEventWrapper::*)()>);
static_assert(std::is_same_v<decltype(&MMRWrapper::IsSynced), bool (MMRWrapper::*)(UniqueIDWrapper, int)>);
static_assert(std::is_same_v<decltype(&GameWrapper::GetDataFolder), std::filesystem::path (GameWrapper::*)()>);
static_assert(std::is_same_v<decltype(&CVarWrapper::GetDefaultValue), std::string (CVarWrapper::*)()>);
// A match's teams: the server is a team game event; a team's index and score are ints, read through its info.
static_assert(std::is_base_of_v<TeamGameEventWrapper, ServerWrapper> && std::is_base_of_v<GameEventWrapper, TeamGameEventWrapper>);
static_assert(std::is_same_v<decltype(&TeamGameEventWrapper::GetTeams), ArrayWrapper<TeamWrapper> (TeamGameEventWrapper::*)()>);
static_assert(std::is_base_of_v<TeamInfoWrapper, TeamWrapper> && std::is_base_of_v<ActorWrapper, TeamInfoWrapper>);
static_assert(std::is_same_v<decltype(&TeamInfoWrapper::GetScore), int (TeamInfoWrapper::*)()>);
static_assert(std::is_same_v<decltype(&TeamInfoWrapper::GetTeamIndex), int (TeamInfoWrapper::*)()>);

// [SECTION] Values without comparisons; a colour of chars; a command of a capture-less lambda is ambiguous
static_assert(!std::equality_comparable<Vector> && !std::equality_comparable<Vector2>);
static_assert(std::is_invocable_v<decltype(static_cast<void (CanvasWrapper::*)(char, char, char, char)>(&CanvasWrapper::SetColor)),
                                  CanvasWrapper&, char, char, char, char>);
template <class Command>
concept RegistersAsCommand = requires(CVarManagerWrapper& console, Command command) {
    console.registerNotifier("name", command, "description", 0);
};
struct CapturingCommand {
    int* state;
    void operator()(std::vector<std::string>) const {}
};
static_assert(RegistersAsCommand<CapturingCommand>);
static_assert(!RegistersAsCommand<decltype([](std::vector<std::string>) {})>);

// [SECTION] The exports macro: one object, behind the address getPlugin returns
namespace {

struct Counted : plugin::BakkesModPlugin {
    Counted() { ++alive; }
    ~Counted() { --alive; }
    static inline int alive = 0;
};

}  // namespace

BAKKESMOD_PLUGIN(Counted, "Counted plug-in", "2.5", PLUGINTYPE_FREEPLAY)

TEST(SdkDeclarations, TheExportsMacroMakesOneObjectOnDemandAndItsRecordNamesIt) {
    EXPECT_EQ(exports.apiBuildVersion, 95);
    EXPECT_STREQ(exports.className, "Counted");
    EXPECT_STREQ(exports.pluginName, "Counted plug-in");
    EXPECT_STREQ(exports.pluginVersion, "2.5");
    EXPECT_EQ(exports.pluginType, 1ul);
    EXPECT_TRUE(std::string(exports.fileName).ends_with("sdk_declarations_test.cpp")) << exports.fileName;
    EXPECT_EQ(exports.initializeFunc, &getPlugin);
    EXPECT_EQ(exports.delFunc, &deleteMe);

    EXPECT_EQ(Counted::alive, 0) << "nothing is made before the host asks";
    const std::uintptr_t first = exports.initializeFunc();
    EXPECT_EQ(exports.initializeFunc(), first);
    EXPECT_EQ(Counted::alive, 1);
    auto* object = reinterpret_cast<std::shared_ptr<Counted>*>(first);
    ASSERT_TRUE(*object);
    exports.delFunc();
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_FALSE(*object);
    exports.delFunc();  // a second release is harmless
    EXPECT_EQ(Counted::alive, 0);
}
