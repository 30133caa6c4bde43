#pragma once

// Helpers shared by the fuzz targets: texts of any UTF-16 code units, and a hard stop that
// libFuzzer reports as a crash with the input that caused it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "GSRoot.hpp"

namespace fuzz {

[[noreturn]] inline void Fail(const char* what, const std::string& detail = std::string())
{
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// Odd sizes end in a lone byte, taken as one more code unit.
inline GS::UniString Utf16Text(const std::uint8_t* data, std::size_t size)
{
    std::u16string units;
    units.reserve(size / 2 + 1);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    if (size % 2 != 0)
        units.push_back(static_cast<char16_t>(data[size - 1]));
    return GS::UniString(std::move(units));
}

inline GS::UniString Utf8Text(const std::uint8_t* data, std::size_t size)
{
    return GS::UniString(reinterpret_cast<const char*>(data), static_cast<UInt32>(size), CC_UTF8);
}

}  // namespace fuzz
