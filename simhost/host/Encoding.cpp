#include "host/Encoding.hpp"

#include <cstdio>
#include <cstring>

namespace sim {

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) noexcept
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+' || c == '-')
        return 62;
    if (c == '/' || c == '_')
        return 63;
    return -1;
}

}  // namespace

std::string EncodeBase64(std::string_view bytes)
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t count = bytes.size();
    std::string text((count + 2) / 3 * 4, '=');
    char* out = text.data();
    std::size_t i = 0;
    for (; i + 3 <= count; i += 3, out += 4) {
        const std::uint32_t group = (std::uint32_t(in[i]) << 16) | (std::uint32_t(in[i + 1]) << 8) | in[i + 2];
        out[0] = Alphabet[group >> 18];
        out[1] = Alphabet[(group >> 12) & 0x3F];
        out[2] = Alphabet[(group >> 6) & 0x3F];
        out[3] = Alphabet[group & 0x3F];
    }
    if (i < count) {
        const std::uint32_t group = (std::uint32_t(in[i]) << 16) | (i + 1 < count ? std::uint32_t(in[i + 1]) << 8 : 0u);
        out[0] = Alphabet[group >> 18];
        out[1] = Alphabet[(group >> 12) & 0x3F];
        if (i + 1 < count)
            out[2] = Alphabet[(group >> 6) & 0x3F];
    }
    return text;
}

std::string DecodeBase64(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    std::uint32_t buffer = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=')
            break;
        const int value = Base64Value(c);
        if (value < 0)
            continue;
        buffer = (buffer << 6) | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return bytes;
}

int HexDigitValue(char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string HexWord(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

char32_t NextCodePoint(std::string_view text, std::size_t& position) noexcept
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char lead = bytes[position];
    if (lead < 0x80) {
        ++position;
        return lead;
    }
    std::size_t length = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0)
        length = 2, codePoint = lead & 0x1F, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, codePoint = lead & 0x0F, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    bool valid = length != 0 && position + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
        if ((bytes[position + k] & 0xC0) != 0x80)
            valid = false;
        else
            codePoint = (codePoint << 6) | (bytes[position + k] & 0x3F);
    }
    if (valid && (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)))
        valid = false;
    if (!valid) {
        ++position;
        return 0xFFFD;
    }
    position += length;
    return codePoint;
}

void AppendUtf16(char32_t codePoint, std::u16string& units)
{
    if (codePoint < 0x10000) {
        units.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    units.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

std::u16string Utf16FromUtf8(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t count = text.size();
    std::u16string units(count, u'\0');  // never more units than bytes
    char16_t* out = units.data();
    std::size_t i = 0;
    while (i < count) {
        if (i + 8 <= count) {
            std::uint64_t block;
            std::memcpy(&block, bytes + i, 8);
            if ((block & 0x8080808080808080ull) == 0) {
                for (int k = 0; k < 8; ++k)
                    out[k] = bytes[i + k];
                out += 8;
                i += 8;
                continue;
            }
        }
        char32_t codePoint = NextCodePoint(text, i);
        if (codePoint < 0x10000) {
            *out++ = static_cast<char16_t>(codePoint);
        } else {
            codePoint -= 0x10000;
            *out++ = static_cast<char16_t>(0xD800 + (codePoint >> 10));
            *out++ = static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
        }
    }
    units.resize(static_cast<std::size_t>(out - units.data()));
    return units;
}

}  // namespace sim
