// A 30 MB call (a million terrain points) crossing into the module: the native side of the
// Chromium bridge (the protocol message as Chromium writes it, read into the engine's values)
// beside the simulator's JSON page path (the arguments' JSON read into the same values); and the
// whole PlaceTerrain call through headless Chromium, made by the page itself and by the simulator
// (as `run --browser chromium` makes it), beside the same call through the recording browser in
// the same run. The goal: at most twice the recording browser.

#include <chrono>
#include <string>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "host/BrowserControl.hpp"
#include "host/Shell.hpp"
#include "ModuleSession.hpp"
#include "Simulator.hpp"
#include "browser/DevToolsPipe.hpp"
#include "browser/PageArguments.hpp"
#include "browser/PageScript.hpp"

namespace {

using nlohmann::json;

std::string Points()
{
    std::string points;
    points.reserve(32'000'000);
    for (int i = 0; i < 1'000'000; ++i) {
        points += std::to_string(-743000 - i % 1000) + "." + std::to_string(i % 100) + " ";
        points += std::to_string(-1043000 - i / 1000) + ".25 ";
        points += std::to_string(250 + i % 37) + ".125\n";
    }
    return points;
}

const json& Arguments()
{
    static const json args = {"dmp1g", Points(), 250.5, json::array({json::array({0, 0}), json::array({100, 0})}),
                              "Terén", "", "", "", 0};
    return args;
}

// What the page-side script makes of the same arguments (JSON numbers here are all integral or not).
void Encode(const json& value, std::string& out)
{
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        std::size_t units = 0;
        for (unsigned char c : text)
            units += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
        out += "s" + std::to_string(units) + ":" + text;
    } else if (value.is_array()) {
        out += "a" + std::to_string(value.size()) + ":";
        for (const json& item : value)
            Encode(item, out);
    } else if (value.is_number_integer()) {
        out += "i" + value.dump() + ";";
    } else if (value.is_number()) {
        out += "d" + value.dump() + ";";
    } else {
        out += "n";
    }
}

// Runtime.bindingCalled as it comes through the pipe.
const std::string& ProtocolMessage()
{
    static const std::string message = [] {
        std::string payload = "c1;s5:ACAPIs12:PlaceTerrain";
        Encode(Arguments(), payload);
        json event = {{"method", "Runtime.bindingCalled"},
                      {"params", {{"name", sim::PageBindingName}, {"payload", payload}, {"executionContextId", 1}}},
                      {"sessionId", "0123456789ABCDEF0123456789ABCDEF"}};
        return event.dump();
    }();
    return message;
}

void JsonPageCall(const std::string& text)
{
    GS::Ref<JS::Base, GS::Counter> values = sim::ToJsArguments(json::parse(text));
    benchmark::DoNotOptimize(values);
}

void JsonPagePath(benchmark::State& state)
{
    const std::string text = Arguments().dump();
    for (auto _ : state)
        JsonPageCall(text);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Seconds per call of the JSON path, measured here and now beside the bridge.
double JsonPageSeconds()
{
    const std::string text = Arguments().dump();
    const int rounds = 5;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        JsonPageCall(text);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
}

void ChromiumBridge(benchmark::State& state)
{
    const std::string& message = ProtocolMessage();
    for (auto _ : state) {
        json event = sim::DevToolsPipe::ParseMessage(message.data(), message.data() + message.size());
        sim::PageCall call = sim::DecodePageCall(event["params"]["payload"].get_ref<const std::string&>());
        benchmark::DoNotOptimize(call.arguments);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * message.size()));
    // The bridge's time per call over the JSON path's, both of this run: the goal is at most 2.
    const int rounds = 5;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        json event = sim::DevToolsPipe::ParseMessage(message.data(), message.data() + message.size());
        benchmark::DoNotOptimize(sim::DecodePageCall(event["params"]["payload"].get_ref<const std::string&>()).arguments);
    }
    double bridge = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
    state.counters["timesJsonPath"] = bridge / JsonPageSeconds();
}

// Seconds per PlaceTerrain call through the recording browser, the arguments as JSON text.
double RecordingCallSeconds(int rounds)
{
    test::ModuleSession session;
    const std::string text = Arguments().dump();
    double seconds = 0;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        sim::CallResult result = session.sim.CallJson("PlaceTerrain", text);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(result);
        session.sim.Undo(1);
    }
    return seconds / rounds;
}

// The whole PlaceTerrain call through Chromium: encoding in the page, the pipe both ways, the
// native side, the add-on, and the reply resolving the page's Promise. `fromPage`: the page calls
// ACAPI itself; otherwise the simulator asks the page to, handing it the arguments.
void PlaceTerrainThroughChromium(benchmark::State& state, bool fromPage)
{
    if (sim::FindChromium().empty()) {
        state.SkipWithError("Chromium is not installed");
        return;
    }
    const double recording = RecordingCallSeconds(2);
    double chromium = 0;
    {
        test::ModuleSession session({.browser = "chromium"});
        sim::Simulator& simulator = session.sim;
        const std::string text = Arguments().dump();
        if (fromPage)
            simulator.EvaluateInPage("window.benchArgs = " + text + "; 0");
        else
            simulator.CallJson("GetVersion", "[]");  // the page is loaded before the clock runs
        for (auto _ : state) {
            double seconds = 0;
            if (fromPage) {
                // Timed by the page, from its call to its Promise resolved.
                seconds = simulator
                              .EvaluateInPage("(async () => { const start = performance.now();"
                                              " await ACAPI.PlaceTerrain(...window.benchArgs);"
                                              " return performance.now() - start; })()")
                              .get<double>() / 1000;
            } else {
                auto start = std::chrono::steady_clock::now();
                benchmark::DoNotOptimize(simulator.CallJson("PlaceTerrain", text));
                seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            }
            state.SetIterationTime(seconds);
            chromium += seconds;
            state.PauseTiming();
            simulator.Undo(1);
            state.ResumeTiming();
        }
    }
    chromium /= static_cast<double>(state.iterations());
    state.counters["recordingMs"] = recording * 1000;
    state.counters["timesRecording"] = chromium / recording;  // the goal: at most 2
}

void PageCallThroughChromium(benchmark::State& state)
{
    PlaceTerrainThroughChromium(state, true);
}

void SimulatorCallThroughChromium(benchmark::State& state)
{
    PlaceTerrainThroughChromium(state, false);
}

BENCHMARK(JsonPagePath)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ChromiumBridge)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PageCallThroughChromium)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(SimulatorCallThroughChromium)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
