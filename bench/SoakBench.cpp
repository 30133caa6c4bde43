// The soak at full size: one loaded module, 10,000 mixed actions (every ACAPI function, palette
// messages, project events, appearance changes, undo and redo). Printed: the resident size after the
// first and after the last thousand actions and its growth (must stay under 10%), the live handles
// left over, and the time per action beside the anchor, a GetVersion round trip through the page.

#include <algorithm>
#include <chrono>

#include <benchmark/benchmark.h>

#include "GSRoot.hpp"
#include "HostHandles.hpp"
#include "SoakSession.hpp"

namespace {

void Soak(benchmark::State& state)
{
    const int actions = static_cast<int>(state.range(0));
    double firstThousand = 0;
    double lastThousand = 0;
    double handlesLeft = 0;
    double failures = 0;
    double elements = 0;
    double seconds = 0;
    double surfaces = 0;
    for (auto _ : state) {
        test::ModuleSession module({.palette = test::SessionSetup::Palette::ByHost});
        sim::Simulator& sim = module.sim;
        soak::Session session(sim, 7);
        const auto started = std::chrono::steady_clock::now();
        Int64 handles = 0;
        for (int i = 1; i <= actions; ++i) {
            if (!session.Act().empty())
                ++failures;
            // The highest resident size seen in each window, sampled every 50 actions.
            if (i % 50 == 0 && i <= 1000)
                firstThousand = std::max(firstThousand, static_cast<double>(soak::ResidentBytes()));
            if (i % 50 == 0 && i > actions - 1000)
                lastThousand = std::max(lastThousand, static_cast<double>(soak::ResidentBytes()));
            if (i == 1000)
                handles = BMGetLiveHandleCount();
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        handlesLeft = static_cast<double>(BMGetLiveHandleCount() - handles);
        const sim::Model& model = sim.GetProject().GetModel();
        elements = static_cast<double>(model.elements.size());
        surfaces = static_cast<double>(model.attributes.at(API_MaterialID).size());
    }
    state.counters["rssFirstThousandMB"] = firstThousand / 1048576.0;
    state.counters["rssLastThousandMB"] = lastThousand / 1048576.0;
    state.counters["rssGrowthPercent"] = firstThousand > 0 ? 100.0 * (lastThousand - firstThousand) / firstThousand : 0;
    state.counters["handlesLeft"] = handlesLeft;
    state.counters["failedActions"] = failures;
    state.counters["elementsAtEnd"] = elements;
    state.counters["surfacesAtEnd"] = surfaces;
    state.counters["usPerAction"] = seconds * 1e6 / actions;
}

// The anchor: the cheapest page round trip, on the same kind of session.
void GetVersionRoundTrip(benchmark::State& state)
{
    test::ModuleSession module({.palette = test::SessionSetup::Palette::ByHost});
    sim::Simulator& sim = module.sim;
    for (auto _ : state)
        benchmark::DoNotOptimize(sim.Call("GetVersion", nlohmann::json::array()));
}

BENCHMARK(GetVersionRoundTrip)->Unit(benchmark::kMicrosecond);
BENCHMARK(Soak)->Arg(10000)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
