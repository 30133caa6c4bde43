#pragma once

// What the benchmarks measure against, shared so that their figures stay comparable: the plain
// Base64 table decoder, a from_chars loop over a terrain's points text, and the thread's clock.

#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace bench {

constexpr int TerrainPointCount = 1'000'000;

// S-JTSK-like points of a square kilometre, one "x y z" line each, centimetres' precision (30 MB).
inline const std::string& TerrainPointsText()
{
    static const std::string text = [] {
        std::mt19937_64 random(20261208);
        std::uniform_real_distribution<double> offset(0.0, 1000.0);
        std::uniform_real_distribution<double> height(240.0, 320.0);
        std::string points;
        points.reserve(static_cast<std::size_t>(TerrainPointCount) * 32);
        char line[96];
        for (int i = 0; i < TerrainPointCount; ++i) {
            const int length = std::snprintf(line, sizeof line, "%.2f %.2f %.2f\n", -744000.0 + offset(random),
                                             -1043800.0 + offset(random), height(random));
            points.append(line, static_cast<std::size_t>(length));
        }
        return points;
    }();
    return text;
}

// The from_chars anchor: every number of a points text read and summed; `count` gets how many.
inline double FromCharsSum(const std::string& text, std::size_t* count = nullptr)
{
    const char* at = text.data();
    const char* end = at + text.size();
    double sum = 0.0;
    std::size_t numbers = 0;
    while (at < end) {
        while (at < end && (*at == ' ' || *at == '\n'))
            ++at;
        double value = 0.0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || next == at)
            break;
        sum += value;
        ++numbers;
        at = next;
    }
    if (count != nullptr)
        *count = numbers;
    return sum;
}

// This thread's processor time: steadier than the wall clock while other work shares the machine.
inline double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Appends the decoded bytes to `bytes`, which the caller gives empty (and may have touched before).
inline void PlainTableDecode(const std::string& text, std::vector<char>& bytes)
{
    static const auto table = [] {
        std::array<int, 256> values{};
        values.fill(-1);
        for (int i = 0; i < 64; ++i)
            values[static_cast<unsigned char>("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[i])] = i;
        return values;
    }();
    bytes.reserve(text.size() * 3 / 4 + 4);
    unsigned accumulator = 0;
    int bits = -8;
    for (const char c : text) {
        const int value = table[static_cast<unsigned char>(c)];
        if (value < 0)
            continue;
        accumulator = (accumulator << 6) + static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 0) {
            bytes.push_back(static_cast<char>((accumulator >> bits) & 0xFF));
            bits -= 8;
        }
    }
}

inline std::vector<char> PlainTableDecode(const std::string& text)
{
    std::vector<char> bytes;
    PlainTableDecode(text, bytes);
    return bytes;
}

}  // namespace bench
