#include "Bridge.hpp"

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

const JS::Value* ValueAt(const JSArgs& args, UInt32 index)
{
    if (index >= args.GetSize())
        return nullptr;
    return dynamic_cast<const JS::Value*>(args[index].Get());
}

// Base64 letters to their values; 0x80 marks every byte outside the alphabet.
struct Base64Table {
    unsigned char values[256];
    constexpr Base64Table() : values()
    {
        for (unsigned char& value : values)
            value = 0x80;
        for (int i = 0; i < 26; ++i) {
            values['A' + i] = static_cast<unsigned char>(i);
            values['a' + i] = static_cast<unsigned char>(26 + i);
        }
        for (int i = 0; i < 10; ++i)
            values['0' + i] = static_cast<unsigned char>(52 + i);
        values[static_cast<unsigned char>('+')] = 62;
        values[static_cast<unsigned char>('/')] = 63;
    }
};
constexpr Base64Table Base64{};

template <typename Unit>
std::uint32_t LetterValue(Unit unit)
{
    const auto code = static_cast<std::make_unsigned_t<Unit>>(unit);
    if constexpr (sizeof(Unit) > 1) {
        if (code > 0xFF)
            return 0x80;
    }
    return Base64.values[code];
}

// Pairs of letters to their 12 bits, indexed by the first letter's byte and then the second's;
// 0x8000 marks a pair with anything outside the alphabet. One lookup serves two letters.
struct Base64PairTable {
    std::uint16_t values[1 << 16];
    constexpr Base64PairTable() : values()
    {
        for (unsigned first = 0; first < 256; ++first) {
            for (unsigned second = 0; second < 256; ++second) {
                const unsigned a = Base64.values[first], b = Base64.values[second];
                values[(first << 8) | second] =
                    static_cast<std::uint16_t>(((a | b) & 0x80) ? 0x8000 : ((a << 6) | b));
            }
        }
    }
};
constexpr Base64PairTable Base64Pairs{};

// The 24 bits of four letters; bit 0x80000000 set when any of the four is not a letter.
template <typename Unit>
std::uint32_t GroupOf(const Unit* text)
{
    if constexpr (sizeof(Unit) == 2 && std::endian::native == std::endian::little) {
        std::uint64_t word;
        std::memcpy(&word, text, sizeof word);
        if (word & 0xFF00FF00FF00FF00ull)
            return 0x80000000u;
        const std::uint32_t high = Base64Pairs.values[((word << 8) & 0xFF00) | ((word >> 16) & 0xFF)];
        const std::uint32_t low = Base64Pairs.values[((word >> 24) & 0xFF00) | ((word >> 48) & 0xFF)];
        return (((high | low) & 0x8000u) << 16) | (high << 12) | low;
    } else {
        const std::uint32_t a = LetterValue(text[0]);
        const std::uint32_t b = LetterValue(text[1]);
        const std::uint32_t c = LetterValue(text[2]);
        const std::uint32_t d = LetterValue(text[3]);
        return ((a | b | c | d) << 24) | (a << 18) | (b << 12) | (c << 6) | d;
    }
}

// Decodes into `bytes`, which must have room for every byte the text gives; returns the count.
// Runs of four letters go in one step; anything else is taken letter by letter with the same
// skipping and the same leftover bits as the letter-by-letter decoder.
template <typename Unit>
std::size_t DecodeBase64Into(const Unit* text, std::size_t length, char* bytes)
{
    std::size_t in = 0;
    std::size_t out = 0;
    std::uint32_t accumulator = 0;
    int pending = 0;  // letters taken since the last whole group of four
    while (in < length) {
        if (pending == 0) {
            while (in + 8 <= length) {
                const std::uint32_t first = GroupOf(text + in);
                const std::uint32_t second = GroupOf(text + in + 4);
                if ((first | second) & 0x80000000u)
                    break;
                bytes[out] = static_cast<char>((first >> 16) & 0xFF);
                bytes[out + 1] = static_cast<char>((first >> 8) & 0xFF);
                bytes[out + 2] = static_cast<char>(first & 0xFF);
                bytes[out + 3] = static_cast<char>((second >> 16) & 0xFF);
                bytes[out + 4] = static_cast<char>((second >> 8) & 0xFF);
                bytes[out + 5] = static_cast<char>(second & 0xFF);
                out += 6;
                in += 8;
            }
            if (in + 4 <= length) {
                const std::uint32_t group = GroupOf(text + in);
                if ((group & 0x80000000u) == 0) {
                    bytes[out] = static_cast<char>((group >> 16) & 0xFF);
                    bytes[out + 1] = static_cast<char>((group >> 8) & 0xFF);
                    bytes[out + 2] = static_cast<char>(group & 0xFF);
                    out += 3;
                    in += 4;
                    continue;
                }
            }
            if (in >= length)
                break;
        }
        const std::uint32_t value = LetterValue(text[in++]);
        if (value & 0x80)
            continue;
        accumulator = (accumulator << 6) | value;
        ++pending;
        if (pending == 2) {
            bytes[out++] = static_cast<char>((accumulator >> 4) & 0xFF);
        } else if (pending == 3) {
            bytes[out++] = static_cast<char>((accumulator >> 2) & 0xFF);
        } else if (pending == 4) {
            bytes[out++] = static_cast<char>(accumulator & 0xFF);
            pending = 0;
        }
    }
    return out;
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
    bytes.resize(DecodeBase64Into(text, length, bytes.data()));
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
        case JS::Value::STRING: return ReadLeadingNumber(value->GetString().ToCStr(CC_Default).Get());
        default: return 0.0;
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
    return DecodeBase64Into(text.ToUStr(), text.GetLength(), bytes);
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
        reply = "kod=-7003 EXC_prime ";
    }
    body = nullptr;
    return TextReply(reply);
}

GS::UniString PlacementReply(GSErrCode status, const GS::UniString& diagnostics)
{
    return GS::UniString::Printf("kod=%d ", status) + diagnostics;
}
