#include <cctype>
#include <cstdio>
#include <random>

#include "GSGuid.hpp"

namespace GS {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

Guid::Guid(const char* text)
{
    if (text == nullptr)
        return;
    std::string digits;
    std::string body(text);
    if (body.size() == 38 && body.front() == '{' && body.back() == '}')
        body = body.substr(1, 36);
    if (body.size() != 36)
        return;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const bool dashPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (dashPlace != (body[i] == '-'))
            return;
        if (!dashPlace) {
            if (HexValue(body[i]) < 0)
                return;
            digits.push_back(body[i]);
        }
    }
    auto byteAt = [&digits](std::size_t index) {
        return static_cast<UInt8>(HexValue(digits[2 * index]) * 16 + HexValue(digits[2 * index + 1]));
    };
    data1 = (UInt32(byteAt(0)) << 24) | (UInt32(byteAt(1)) << 16) | (UInt32(byteAt(2)) << 8) | byteAt(3);
    data2 = static_cast<UInt16>((byteAt(4) << 8) | byteAt(5));
    data3 = static_cast<UInt16>((byteAt(6) << 8) | byteAt(7));
    for (std::size_t i = 0; i < 8; ++i)
        data4[i] = byteAt(8 + i);
}

GSErrCode Guid::Generate()
{
    static thread_local std::mt19937_64 engine{[] {
        std::random_device device;
        return (UInt64(device()) << 32) ^ device();
    }()};
    const UInt64 high = engine();
    const UInt64 low = engine();
    data1 = static_cast<UInt32>(high >> 32);
    data2 = static_cast<UInt16>(high >> 16);
    data3 = static_cast<UInt16>((high & 0x0FFF) | 0x4000);
    for (std::size_t i = 0; i < 8; ++i)
        data4[i] = static_cast<UInt8>(low >> (8 * i));
    data4[0] = static_cast<UInt8>((data4[0] & 0x3F) | 0x80);
    return NoError;
}

bool Guid::IsNull() const
{
    return *this == Guid();
}

UniString Guid::ToUniString() const
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2, data3,
                  data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return UniString(text);
}

bool Guid::operator==(const Guid& other) const
{
    if (data1 != other.data1 || data2 != other.data2 || data3 != other.data3)
        return false;
    for (std::size_t i = 0; i < 8; ++i) {
        if (data4[i] != other.data4[i])
            return false;
    }
    return true;
}

}  // namespace GS
