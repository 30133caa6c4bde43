// PlaceOrthophoto's own share for a 22 MB image against the plain Base64 decoder over the same
// text in 8 bits.
//
// The anchor is the letter-by-letter decoder: a table lookup per byte into a bit accumulator,
// appending each finished byte to a vector reserved once. The call goes to the bound function with
// page values built once; its share is the call minus the time inside host operations (the
// simulator storing the picture), as AddOnShare.hpp describes. The placement is undone after each
// call, outside the timing.

#include <algorithm>
#include <array>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "AddOnShare.hpp"
#include "Anchors.hpp"
#include "ModuleSession.hpp"
#include "host/Encoding.hpp"

namespace {

std::string Base64Text(std::size_t bytes)
{
    std::mt19937_64 random(22);
    std::string image(bytes, '\0');
    for (char& byte : image)
        byte = static_cast<char>(random());
    image[0] = '\xFF', image[1] = '\xD8', image[2] = '\xFF', image[3] = '\xE0';  // a JPEG's start
    return sim::EncodeBase64(image);
}

void PlaceOrthophoto22MB(benchmark::State& state)
{
    const std::string text = Base64Text(22000000);
    auto args = GS::NewRef<JS::Array>();
    args->AddItem(GS::NewRef<JS::Value>(GS::UniString(text.data(), static_cast<UInt32>(text.size()), CC_UTF8)));
    for (double value : {500.0, 400.0, -743500.0, -1043250.0, 1.0, 1.0, 0.0, 0.0})
        args->AddItem(GS::NewRef<JS::Value>(value));
    for (const char* value : {"Ortofoto", "plan", "", ""})
        args->AddItem(GS::NewRef<JS::Value>(GS::UniString(value)));

    test::ModuleSession session;
    sim::Simulator& simulator = session.sim;
    share::TimeHostOperations(simulator);
    const auto placeOrthophoto = share::PageFunction(simulator, "PlaceOrthophoto");

    double anchor = 0.0, shareSeconds = 0.0, host = 0.0, peak = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<char> decoded = bench::PlainTableDecode(text);
        benchmark::DoNotOptimize(decoded.data());
        anchor += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const share::Measured measured = share::MeasureCall(placeOrthophoto, args);
        if (measured.reply.rfind("kod=0 ", 0) != 0)
            state.SkipWithError(measured.reply.c_str());
        shareSeconds += measured.ShareSeconds();
        host += measured.hostSeconds;
        peak = std::max(peak, static_cast<double>(measured.peakBytes));
        state.SetIterationTime(measured.ShareSeconds());
        simulator.Undo(1);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["anchor_ms"] = anchor / runs * 1e3;
    state.counters["share_ms"] = shareSeconds / runs * 1e3;
    state.counters["host_ms"] = host / runs * 1e3;
    state.counters["share_x_anchor"] = shareSeconds / anchor;
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["text_MB"] = static_cast<double>(text.size()) / 1e6;
}

BENCHMARK(PlaceOrthophoto22MB)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// The whole call as the simulator makes it from the page's JSON text, less the same arguments given
// to GetVersion (the page path), against the same anchor in the same iteration: what the add-on and
// the simulator's handling of the picture cost together. Each of the three is the fastest of the
// iterations: the call and the page path are about 200 ms each, and their difference of about
// 20 ms would otherwise carry the noise of both.
void PlaceOrthophotoCallLessPagePath(benchmark::State& state)
{
    const std::string text = Base64Text(22000000);
    nlohmann::json args = nlohmann::json::array({text});
    for (double value : {500.0, 400.0, -743500.0, -1043250.0, 1.0, 1.0, 0.0, 0.0})
        args.push_back(value);
    for (const char* value : {"Ortofoto", "plan", "", ""})
        args.push_back(value);
    const std::string argsJson = args.dump();

    test::ModuleSession session;
    sim::Simulator& simulator = session.sim;
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::duration span) { return std::chrono::duration<double>(span).count(); };
    double anchor = 1e9, call = 1e9, pagePath = 1e9;
    for (auto _ : state) {
        const auto start = Clock::now();
        const std::vector<char> decoded = bench::PlainTableDecode(text);
        benchmark::DoNotOptimize(decoded.data());
        const auto called = Clock::now();
        const sim::CallResult placed = simulator.CallJson("PlaceOrthophoto", argsJson);
        const auto versioned = Clock::now();
        const sim::CallResult version = simulator.CallJson("GetVersion", argsJson);
        const auto end = Clock::now();
        if (placed.Text().rfind("kod=0 ", 0) != 0 || version.Text() != LANDFETCH_ADDON_VERSION)
            state.SkipWithError(("the call failed: " + placed.Text()).c_str());
        anchor = std::min(anchor, seconds(called - start));
        call = std::min(call, seconds(versioned - called));
        pagePath = std::min(pagePath, seconds(end - versioned));
        state.SetIterationTime(seconds((versioned - called) - (end - versioned)));
        simulator.Undo(1);
    }
    state.counters["anchor_ms"] = anchor * 1e3;
    state.counters["call_ms"] = call * 1e3;
    state.counters["page_path_ms"] = pagePath * 1e3;
    state.counters["call_less_page_path_x_anchor"] = (call - pagePath) / anchor;
}

BENCHMARK(PlaceOrthophotoCallLessPagePath)->Iterations(7)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
