#include "Bridge.hpp"

#include "Base64.hpp"

#include <bit>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <stdexcept>
#include <type_traits>
#include <cstdlib>
#include <limits>

#include "NumberReading.hpp"

namespace {

// What an argument that is missing or holds no number reads as.
constexpr double NoNumber = 0.0;
// The diagnostics of a placement whose body threw.
const char* const ExceptionDiagnostics = "EXC_prime ";

const JS::Value* ValueAt(const JSArgs& args, UInt32 index)
{
    if (index >= args.GetSize())
        return nullptr;
    return dynamic_cast<const JS::Value*>(static_cast<JS::Base*>(args[index]));
}

template <typename Unit>
void DecodeBase64Units(const Unit* text, std::size_t length, std::vector<char>& bytes)
{
    bytes.clear();
    if (length == 0)
        return;
    // Sized in 64 bits before anything is allocated: the room can never wrap around.
    const std::uint64_t room = static_cast<std::uint64_t>(length) / 4 * 3 + 3 + 4;
    if (room > bytes.max_size())
        throw std::length_error("Base64 text too long");
    bytes.resize(static_cast<std::size_t>(room));
    bytes.resize(Base64::DecodeInto(text, length, bytes.data()));
}

}  // namespace

JSArgs ArgumentList(JSRef parameter)
{
    if (parameter == nullptr)
        return {};
    if (const auto* array = dynamic_cast<const JS::Array*>(static_cast<JS::Base*>(parameter)))
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
        return NoNumber;
    switch (value->GetType()) {
        case JS::Value::INTEGER: return static_cast<double>(value->GetInteger());
        case JS::Value::UINTEGER: return static_cast<double>(value->GetUInteger());
        case JS::Value::DOUBLE: return value->GetDouble();
        case JS::Value::STRING: return ReadLeadingNumber(value->GetString().ToCStr(CC_Default).Get());
        default: return NoNumber;
    }
}

const GS::UniString& StringArgumentInPlace(const JSArgs& args, UInt32 index)
{
    const JS::Value* value = ValueAt(args, index);
    if (value == nullptr || value->GetType() != JS::Value::STRING)
        return GS::EmptyUniString;
    return value->GetString();
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
    // Read in place: letters are ASCII, and every unit beyond it is skipped just as its 8-bit
    // form would be.
    const GS::UniString& text = StringArgumentInPlace(args, index);
    DecodeBase64Units(text.ToUStr(), text.GetLength(), bytes);
    return bytes;
}

std::size_t DecodeBase64Into(const GS::UniString& text, char* bytes)
{
    return Base64::DecodeInto(text.ToUStr(), text.GetLength(), bytes);
}

std::vector<char> DecodeBase64(const std::string& text)
{
    std::vector<char> bytes;
    DecodeBase64Units(text.data(), text.size(), bytes);
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
        reply = PlacementReply(ErrPlacementException, ExceptionDiagnostics);
    }
    body = nullptr;
    return TextReply(reply);
}

GS::UniString PlacementReply(GSErrCode status, const GS::UniString& diagnostics)
{
    return GS::UniString::Printf("kod=%d ", status) + diagnostics;
}
