// The Base64 decoder alone on a 22 MB image (29 MB of text), on each path this processor has,
// against the plain table decoder over the same text in 8 bits, measured in the same iteration.
//
// The anchor is one table lookup per byte into a bit accumulator, appending to a vector reserved
// once. The decoder reads the text as the page hands it over (UTF-16 units), and also in 8 bits.
// Each is timed writing into memory touched before (the decoding alone) and into a fresh block (as
// the picture's handle is), in processor time of the thread. Beside them, a plain pass over the
// same memory: reading the text's bytes in order and writing the decoded bytes' room, each once.

#include <array>
#include <cstdint>
#include <ctime>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "Base64.hpp"
#include "Anchors.hpp"
#include "host/Encoding.hpp"

namespace {

std::string Base64Text(std::size_t bytes)
{
    std::mt19937_64 random(22);
    std::string image(bytes, '\0');
    for (char& byte : image)
        byte = static_cast<char>(random());
    return sim::EncodeBase64(image);
}

// Reads the text's bytes eight at a time, leaving the reading ahead to the processor, and writes the
// decoded bytes' room once.
template <typename Unit>
void MemoryPass(const std::basic_string<Unit>& text, std::vector<char>& bytes)
{
    const auto* at = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size() * sizeof(Unit);
    std::uint64_t seen = 0;
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, at + i, 8);
        seen |= word;
    }
    std::memset(bytes.data(), static_cast<int>(seen & 0x7F), bytes.size());
    benchmark::DoNotOptimize(bytes.data());
}

const std::string& Text()
{
    static const std::string text = Base64Text(22000000);
    return text;
}

const std::u16string& Units()
{
    static const std::u16string units(Text().begin(), Text().end());
    return units;
}

template <typename Unit>
void Decode22MB(benchmark::State& state, Base64::Path path, const std::basic_string<Unit>& text)
{
    if (!Base64::PathAvailable(path)) {
        state.SkipWithError("this processor lacks the path");
        return;
    }
    const std::size_t room = text.size() / 4 * 3;
    // Warm: both write into memory touched before. Fresh: both write into a new block, as the
    // picture's handle is, and pay for its first touch.
    std::vector<char> warmPlain;
    warmPlain.reserve(room + 4);
    std::vector<char> warmBytes(room, 1);
    double anchor = 0.0, decoder = 0.0, anchorFresh = 0.0, decoderFresh = 0.0, memory = 0.0;
    for (auto _ : state) {
        double at = bench::ThreadSeconds();
        auto lap = [&at](double& total) {
            const double now = bench::ThreadSeconds();
            total += now - at;
            at = now;
        };
        warmPlain.clear();
        bench::PlainTableDecode(Text(), warmPlain);
        benchmark::DoNotOptimize(warmPlain.data());
        lap(anchor);
        const std::size_t size = Base64::DecodeInto(text.data(), text.size(), warmBytes.data(), path);
        benchmark::DoNotOptimize(warmBytes.data());
        lap(decoder);
        if (size != warmPlain.size() || std::memcmp(warmBytes.data(), warmPlain.data(), size) != 0)
            state.SkipWithError("the decoder's bytes differ from the plain decoder's");
        at = bench::ThreadSeconds();
        {
            std::vector<char> plain;
            bench::PlainTableDecode(Text(), plain);
            benchmark::DoNotOptimize(plain.data());
            lap(anchorFresh);
        }
        {
            const std::unique_ptr<char[]> bytes(new char[room]);
            Base64::DecodeInto(text.data(), text.size(), bytes.get(), path);
            benchmark::DoNotOptimize(bytes.get());
            lap(decoderFresh);
        }
        MemoryPass(text, warmBytes);
        lap(memory);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["anchor_ms"] = anchor / runs * 1e3;
    state.counters["decode_ms"] = decoder / runs * 1e3;
    state.counters["x_anchor"] = decoder / anchor;
    state.counters["fresh_anchor_ms"] = anchorFresh / runs * 1e3;
    state.counters["fresh_decode_ms"] = decoderFresh / runs * 1e3;
    state.counters["fresh_x_anchor"] = decoderFresh / anchorFresh;
    state.counters["memory_ms"] = memory / runs * 1e3;
    state.counters["memory_x_anchor"] = memory / anchor;
}

void Register()
{
    for (const Base64::Path path : {Base64::Path::Scalar, Base64::Path::Sse41, Base64::Path::Avx2}) {
        const std::string name = std::string("Decode22MB/") + Base64::PathName(path);
        benchmark::RegisterBenchmark((name + "/utf16").c_str(),
                                     [path](benchmark::State& state) { Decode22MB(state, path, Units()); })
            ->Iterations(5)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "/8bit").c_str(),
                                     [path](benchmark::State& state) { Decode22MB(state, path, Text()); })
            ->Iterations(5)->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
