// GetAttributes on projects of growing attribute counts: the reply must grow linearly.

#include <string>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "ModuleSession.hpp"
#include "Simulator.hpp"

namespace {

using nlohmann::json;

// `count` attributes of each kind, line types in falling index order so that they must be sorted.
json LargeProject(int count)
{
    json layers = json::array(), lineTypes = json::array(), surfaces = json::array(), materials = json::array();
    for (int i = 1; i <= count; ++i) {
        const std::string suffix = std::to_string(i);
        layers.push_back({{"index", i}, {"name", "Vrstva \"" + suffix + "\" \\ KN"}});
        lineTypes.push_back({{"index", count + 1 - i}, {"name", "Čára " + suffix}});
        surfaces.push_back({{"index", i}, {"name", "Povrch\t" + suffix}});
        materials.push_back({{"index", i}, {"name", "Materiál " + suffix}});
    }
    return {{"layers", layers}, {"lineTypes", lineTypes}, {"surfaces", surfaces}, {"buildingMaterials", materials}};
}

void GetAttributes(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    test::ModuleSession session({.project = LargeProject(count)});
    sim::Simulator& sim = session.sim;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const sim::CallResult result = sim.Call("GetAttributes", json::array());
        bytes = result.Text().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["replyBytes"] = static_cast<double>(bytes);
    state.SetComplexityN(count);
}

BENCHMARK(GetAttributes)->DenseRange(1000, 10000, 1000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
