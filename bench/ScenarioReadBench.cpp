// The scenario path for a 1M-point terrain call: a 30 MB scenario file read and its one step run as
// a GetVersion call with PlaceTerrain's arguments (the call ignores them, so what is timed is the
// file's reading and the making of the page's values). Beside it, in the same iteration, its anchor:
// a std::from_chars loop over the same points text. Times are the thread's processor time (the
// wall clock's ratio is printed too).

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "Scenario.hpp"
#include "Simulator.hpp"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int PointCount = 1'000'000;

const std::string& PointsText()
{
    static const std::string text = [] {
        std::mt19937_64 random(20261208);
        std::uniform_real_distribution<double> offset(0.0, 1000.0);
        std::uniform_real_distribution<double> height(240.0, 320.0);
        std::string points;
        points.reserve(static_cast<std::size_t>(PointCount) * 32);
        char line[96];
        for (int i = 0; i < PointCount; ++i) {
            const int length = std::snprintf(line, sizeof line, "%.2f %.2f %.2f\n", -744000.0 + offset(random),
                                             -1043800.0 + offset(random), height(random));
            points.append(line, static_cast<std::size_t>(length));
        }
        return points;
    }();
    return text;
}

std::string WriteScenario()
{
    nlohmann::json outline = nlohmann::json::array();
    for (int i = 0; i < 12; ++i)
        outline.push_back({-744000.0 + 80.0 * i + 0.25, -1043800.0 + (i % 2 == 0 ? 10.5 : 990.5)});
    const nlohmann::json args = {"dmr5g", PointsText(), 250.0, outline, "Terén", 1, 2, 3, 1, "", 0, 0};
    const nlohmann::json scenario = {{"api", 30},
                                     {"steps", {{{"menu", {32500, 1}}}, {{"call", "GetVersion"}, {"args", args}}}}};
    const std::string path =
        (std::filesystem::temp_directory_path() / ("landfetch-scenario-bench-" + std::to_string(getpid()) + ".json"))
            .string();
    std::ofstream(path, std::ios::binary) << scenario.dump();
    return path;
}

double FromCharsLoop(const std::string& text)
{
    const char* at = text.data();
    const char* end = at + text.size();
    double sum = 0.0;
    while (at < end) {
        while (at < end && (*at == ' ' || *at == '\n'))
            ++at;
        double value = 0.0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || next == at)
            break;
        sum += value;
        at = next;
    }
    return sum;
}

// This thread's processor time: steadier than the wall clock while other work shares the machine.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void ScenarioPath(benchmark::State& state)
{
    const std::string path = WriteScenario();
    double anchor = 0.0, reading = 0.0, steps = 0.0, anchorWall = 0.0, scenarioWall = 0.0;
    for (auto _ : state) {
        // A fresh simulator each time, started outside the timing, as `run` has it before the steps.
        sim::Simulator simulator(sim::Simulator::Options{});
        simulator.Start();
        const auto wallStart = Clock::now();
        const double start = ThreadSeconds();
        benchmark::DoNotOptimize(FromCharsLoop(PointsText()));
        const double anchored = ThreadSeconds();
        const auto wallMiddle = Clock::now();
        const sim::Scenario scenario = sim::ReadScenario(path);
        const double read = ThreadSeconds();
        std::ostringstream lines;
        sim::RunScenarioSteps(simulator, scenario, lines);
        const double ran = ThreadSeconds();
        const auto wallEnd = Clock::now();
        if (lines.str().find("\"reply\":\"1.11\"") == std::string::npos)
            state.SkipWithError(("the call did not reply: " + lines.str().substr(0, 200)).c_str());
        anchor += anchored - start;
        reading += read - anchored;
        steps += ran - read;
        anchorWall += std::chrono::duration<double>(wallMiddle - wallStart).count();
        scenarioWall += std::chrono::duration<double>(wallEnd - wallMiddle).count();
        state.SetIterationTime(ran - anchored);
    }
    std::filesystem::remove(path);
    const double runs = static_cast<double>(state.iterations());
    state.counters["anchor_ms"] = anchor / runs * 1e3;
    state.counters["read_ms"] = reading / runs * 1e3;
    state.counters["steps_ms"] = steps / runs * 1e3;
    state.counters["x_anchor"] = (reading + steps) / anchor;
    state.counters["wall_x_anchor"] = scenarioWall / anchorWall;
}

BENCHMARK(ScenarioPath)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
