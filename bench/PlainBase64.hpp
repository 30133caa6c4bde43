#pragma once

// The anchor of the Base64 benchmarks: the plain table decoder, one lookup per byte into a bit
// accumulator, appending to a vector reserved once.

#include <array>
#include <string>
#include <vector>

namespace bench {

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
