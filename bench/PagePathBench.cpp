// The simulator's page path for a 1M-point terrain call: the page's JSON text to the engine's values,
// through a GetVersion call that ignores them. Beside it, in the same run, its anchor: a
// std::from_chars loop over the points text in 8 bits, and the old path through nlohmann's parser.

#include <cstdio>
#include <map>
#include <string>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "Anchors.hpp"
#include "ModuleSession.hpp"
#include "Simulator.hpp"

namespace {

// PlaceTerrain's arguments as the page sends them, with a 12-vertex outline.
const std::string& ArgumentsText()
{
    static const std::string text = [] {
        nlohmann::json outline = nlohmann::json::array();
        for (int i = 0; i < 12; ++i)
            outline.push_back({-744000.0 + 80.0 * i + 0.25, -1043800.0 + (i % 2 == 0 ? 10.5 : 990.5)});
        nlohmann::json args = {"dmr5g", bench::TerrainPointsText(), 250.0, outline, "Terén", 1, 2, 3, 1, "", 0, 0};
        return args.dump();
    }();
    return text;
}

void PagePath(benchmark::State& state)
{
    test::ModuleSession session;
    sim::Simulator& simulator = session.sim;
    const std::string& args = ArgumentsText();
    for (auto _ : state) {
        sim::CallResult result = simulator.CallJson("GetVersion", args);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(args.size()));
}

// What the page path was: nlohmann's parser, then its values converted.
void NlohmannPagePath(benchmark::State& state)
{
    test::ModuleSession session;
    sim::Simulator& simulator = session.sim;
    const std::string& args = ArgumentsText();
    for (auto _ : state) {
        sim::CallResult result = simulator.Call("GetVersion", nlohmann::json::parse(args));
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(args.size()));
}

void FromCharsLoop(benchmark::State& state)
{
    const std::string& text = bench::TerrainPointsText();
    for (auto _ : state) {
        std::size_t count = 0;
        const double sum = bench::FromCharsSum(text, &count);
        if (count != 3u * bench::TerrainPointCount)
            state.SkipWithError("the points text did not read back");
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

BENCHMARK(PagePath)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(NlohmannPagePath)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(FromCharsLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's time per iteration for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    struct Times {
        double real;
        double cpu;
    };
    std::map<std::string, Times> times;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto anchor = reporter.times.find("FromCharsLoop");
    if (anchor == reporter.times.end())
        return 0;
    std::printf("\n1M-point points text: %.1f MB; arguments' JSON: %.1f MB\n", bench::TerrainPointsText().size() / 1e6,
                ArgumentsText().size() / 1e6);
    std::printf("from_chars loop over the points text (anchor): %.1f ms real, %.1f ms CPU\n", anchor->second.real,
                anchor->second.cpu);
    // On a shared machine the CPU time is the steadier figure.
    for (const char* name : {"PagePath", "NlohmannPagePath"}) {
        auto found = reporter.times.find(name);
        if (found != reporter.times.end())
            std::printf("%-17s %8.1f ms real = %.2fx, %8.1f ms CPU = %.2fx the from_chars loop%s\n", name,
                        found->second.real, found->second.real / anchor->second.real, found->second.cpu,
                        found->second.cpu / anchor->second.cpu,
                        std::string(name) == "PagePath" ? " (goal <= 8x)" : "");
    }
    return 0;
}
