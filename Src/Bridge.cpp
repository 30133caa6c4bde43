#include "Bridge.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

const JS::Value* ValueAt(const JSArgs& args, UInt32 index)
{
    if (index >= args.GetSize())
        return nullptr;
    return dynamic_cast<const JS::Value*>(args[index].Get());
}

// The value of one Base64 letter, or -1 for anything outside the alphabet.
int Base64Value(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

}  // namespace

JSArgs ArgumentList(JSRef parameter)
{
    if (parameter == nullptr)
        return {};
    if (const auto* array = dynamic_cast<const JS::Array*>(parameter.Get()))
        return array->GetItemArray();
    return JSArgs{parameter};
}

UInt32 ArgumentCount(const JSArgs& args)
{
    return args.GetSize();
}

double NumberArgument(const JSArgs& args, UInt32 index)
{
    const JS::Value* value = ValueAt(args, index);
    if (value == nullptr)
        return 0.0;
    switch (value->GetType()) {
        case JS::Value::INTEGER: return static_cast<double>(value->GetInteger());
        case JS::Value::UINTEGER: return static_cast<double>(value->GetUInteger());
        case JS::Value::DOUBLE: return value->GetDouble();
        case JS::Value::STRING: return std::atof(value->GetString().ToCStr(CC_Default).Get());
        default: return 0.0;
    }
}

GS::UniString StringArgument(const JSArgs& args, UInt32 index)
{
    const JS::Value* value = ValueAt(args, index);
    if (value == nullptr || value->GetType() != JS::Value::STRING)
        return {};
    return value->GetString();
}

std::vector<char>& BytesArgument(std::vector<char>& bytes, const JSArgs& args, UInt32 index)
{
    const GS::UniString text = StringArgument(args, index);
    const GS::UniString::CStr cText = text.ToCStr(CC_Default);
    bytes = DecodeBase64(std::string(cText.Get(), cText.GetLength()));
    return bytes;
}

std::vector<char> DecodeBase64(const std::string& text)
{
    std::vector<char> bytes;
    bytes.reserve(text.size() * 3 / 4 + 4);
    UInt32 accumulator = 0;
    int bits = -8;
    for (const char c : text) {
        const int value = Base64Value(static_cast<unsigned char>(c));
        if (value < 0)
            continue;
        accumulator = (accumulator << 6) + static_cast<UInt32>(value);
        bits += 6;
        if (bits >= 0) {
            bytes.push_back(static_cast<char>((accumulator >> bits) & 0xFF));
            bits -= 8;
        }
    }
    return bytes;
}

Int32 NumberToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lowest = std::numeric_limits<Int32>::min();
    constexpr double highest = std::numeric_limits<Int32>::max();
    if (value <= lowest)
        return std::numeric_limits<Int32>::min();
    if (value >= highest)
        return std::numeric_limits<Int32>::max();
    return static_cast<Int32>(value);
}

Int16 NumberToInt16(double value)
{
    // Saturated, never wrapped: a story 40000 must not come out as a basement.
    const Int32 wide = NumberToInt32(value);
    if (wide < std::numeric_limits<Int16>::min())
        return std::numeric_limits<Int16>::min();
    if (wide > std::numeric_limits<Int16>::max())
        return std::numeric_limits<Int16>::max();
    return static_cast<Int16>(wide);
}

JSRef TextReply(const GS::UniString& text)
{
    return GS::NewRef<JS::Value>(text);
}

JSRef BoolReply(bool value)
{
    return GS::NewRef<JS::Value>(value);
}

JSRef GuardedTextReply(std::function<GS::UniString()> body)
{
    GS::UniString reply;
    try {
        reply = body();
    } catch (...) {
        reply = "kod=-7003 EXC_prime ";
    }
    body = nullptr;
    return TextReply(reply);
}

GS::UniString PlacementReply(GSErrCode status, const GS::UniString& diagnostics)
{
    return GS::UniString::Printf("kod=%d ", status) + diagnostics;
}
