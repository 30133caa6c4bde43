// A long mixed session through the simulator: small placements, survey point, autotexts, undo and
// redo, 10,000 calls. Its anchor is the same session's calls without the undos and redos, run in the
// same process: undo and redo must cost what their steps changed, so the two stay close.
//
// Printed per run: the time, the heap in use at the end (the project and its history), the elements
// in the project, and the process's peak resident size.

#include <malloc.h>
#include <sys/resource.h>

#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "project/Project.hpp"
#include "Simulator.hpp"

namespace {

using nlohmann::json;

struct Action {
    std::string call;  // empty: undo (steps > 0) or redo (steps < 0)
    json args;
    int steps = 0;
};

std::vector<Action> MixedSession(int count)
{
    std::mt19937 random(12);
    const auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<Action> actions;
    for (int i = 0; i < count; ++i) {
        const int choice = pick(0, 9);
        const std::string x = std::to_string(pick(0, 900));
        if (choice <= 1) {
            const json line = json::array({json::array({pick(0, 900), 0}), json::array({pick(0, 900), 5})});
            actions.push_back({"PlaceCadastre",
                               json::array({"plan", "", "", 0, json::array({json::array({"KN", 1, "", "lines",
                                                                                         json::array({line})})})})});
        } else if (choice == 2) {
            actions.push_back({"PlaceTerrain",
                               json::array({"dmr5g", x + " 0 1\n" + x + "5 0 2\n" + x + "5 10 3\n" + x + " 10 4\n", 0})});
        } else if (choice == 3) {
            actions.push_back({"PlaceBuildings",
                               json::array({json::array({json::array({x + " 0\n" + x + "8 0\n" + x + "8 8\n", 0, 6,
                                                                       x + "1 1 8\n"})}),
                                            0})});
        } else if (choice <= 5) {
            actions.push_back({"SetSurveyPoint", json::array({-743500.5 - pick(0, 99), -1043250.25, 250, 1, 50.08, 14.42})});
        } else if (choice <= 7) {
            actions.push_back({"SetProjectInfo", json::array({json::array({json::array({"Obec", x})})})});
        } else {
            actions.push_back({"", json(), choice == 8 ? pick(1, 3) : -pick(1, 3)});
        }
    }
    return actions;
}

double MegaBytes(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

void RunSession(benchmark::State& state, bool undoRedo)
{
    const std::vector<Action> actions = MixedSession(static_cast<int>(state.range(0)));
    double heap = 0;
    double elements = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t heapBefore = mallinfo2().uordblks;
        {
            sim::Simulator sim(sim::Simulator::Options{});
            sim.Start();
            sim.PaletteMessage(6);
            state.ResumeTiming();
            for (const Action& action : actions) {
                if (!action.call.empty()) {
                    benchmark::DoNotOptimize(sim.Call(action.call, action.args));
                } else if (undoRedo) {
                    benchmark::DoNotOptimize(action.steps > 0 ? sim.Undo(action.steps) : sim.Redo(-action.steps));
                }
            }
            state.PauseTiming();
            heap = static_cast<double>(mallinfo2().uordblks) - static_cast<double>(heapBefore);
            elements = static_cast<double>(sim.GetProject().GetModel().elements.size());
        }
        state.ResumeTiming();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["heapMB"] = MegaBytes(heap);
    state.counters["elements"] = elements;
    state.counters["heapKBPerElement"] = elements > 0 ? heap / 1024.0 / elements : 0.0;
    state.counters["peakRssMB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The anchor: the same calls, undo and redo left out.
void SessionWithoutUndo(benchmark::State& state)
{
    RunSession(state, false);
}

void SessionWithUndoAndRedo(benchmark::State& state)
{
    RunSession(state, true);
}

BENCHMARK(SessionWithoutUndo)->Arg(10000)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(SessionWithUndoAndRedo)->Arg(10000)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
