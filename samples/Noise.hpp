#pragma once

// Deterministic randomness for the sample generator: the same seed gives the same data anywhere.

#include <cmath>
#include <cstdint>

namespace samples {

class Random {
public:
    explicit Random(std::uint32_t seed) : state(seed == 0 ? 0x9E3779B9u : seed) {}

    std::uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }

    double Uniform(double low, double high) { return low + (high - low) * (Next() / 4294967296.0); }
    bool Chance(double probability) { return Uniform(0.0, 1.0) < probability; }

private:
    std::uint32_t state;
};

inline double Hash(int x, int y, std::uint32_t seed)
{
    std::uint32_t h = seed ^ (static_cast<std::uint32_t>(x) * 374761393u) ^ (static_cast<std::uint32_t>(y) * 668265263u);
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFFFF) / double(0xFFFFFF);
}

// Smooth value noise in 0..1.
inline double Noise(double x, double y, std::uint32_t seed)
{
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    const double fx = x - ix;
    const double fy = y - iy;
    const double sx = fx * fx * (3 - 2 * fx);
    const double sy = fy * fy * (3 - 2 * fy);
    const double a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
    const double c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
    const double bottom = a + (b - a) * sx;
    const double top = c + (d - c) * sx;
    return bottom + (top - bottom) * sy;
}

inline double Fbm(double x, double y, std::uint32_t seed)
{
    double sum = 0.0, amplitude = 0.5, frequency = 1.0;
    for (int octave = 0; octave < 4; ++octave) {
        sum += amplitude * Noise(x * frequency, y * frequency, seed + octave);
        amplitude *= 0.5;
        frequency *= 2.0;
    }
    return sum;
}

}  // namespace samples
