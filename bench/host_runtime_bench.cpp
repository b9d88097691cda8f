// Host runtime hot paths: a per-car-input event through the hooks, and settings writes as a dragged
// slider makes them every frame (in memory, and saved to the configuration file).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "host/runtime/host.h"

namespace {

void BM_FireEventWithTwelveHooks(benchmark::State& state) {
    host::Host host({});
    int calls = 0;
    for (int i = 0; i < 12; ++i) host.Hooks().Hook(1, "Hook" + std::to_string(i), [&](std::string) { ++calls; });
    for (auto _ : state) host.FireEvent("Hook11");
    benchmark::DoNotOptimize(calls);
}
BENCHMARK(BM_FireEventWithTwelveHooks);

void BM_SetBoundedVariable(benchmark::State& state) {
    const bool saved = state.range(0) != 0;
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "zando-bench-config";
    std::filesystem::create_directories(dir);
    host::Console console(saved ? dir / "config.cfg" : std::filesystem::path());
    host::CVarRecord definition;
    definition.name = "zando_heatmap_scale";
    definition.defaultValue = definition.value = "1.0";
    definition.hasMin = definition.hasMax = true;
    definition.min = 0.5f;
    definition.max = 2.5f;
    definition.saved = true;
    host::CVarRecord* cvar = console.RegisterCvar(definition);
    float value = 0.5f;
    for (auto _ : state) {
        value = value >= 2.5f ? 0.5f : value + 0.01f;
        console.SetCvarValue(cvar, std::to_string(value));
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SetBoundedVariable)->Arg(0)->Arg(1)->ArgName("saved");

}  // namespace
