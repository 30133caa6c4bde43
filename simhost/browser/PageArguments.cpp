#include "browser/PageArguments.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "host/Encoding.hpp"
#include "host/Error.hpp"

namespace sim {

namespace {

// Deep enough for any real argument, shallow enough for the native stack.
constexpr int MaxDepth = 256;

class Decoder {
public:
    explicit Decoder(std::string_view text) : text(text) {}

    GS::Ref<JS::Base, GS::Counter> Value(int depth)
    {
        if (depth > MaxDepth)
            Fail("values nested more than " + std::to_string(MaxDepth) + " deep");
        char tag = Next();
        switch (tag) {
            case 'u': return GS::NewRef<JS::Value>();
            case 'n': return JS::Value::Null();
            case 't': return GS::NewRef<JS::Value>(true);
            case 'f': return GS::NewRef<JS::Value>(false);
            case 'i': return GS::NewRef<JS::Value>(Integer<Int32>());
            case 'U': return GS::NewRef<JS::Value>(Integer<UInt32>());
            case 'd': return GS::NewRef<JS::Value>(Double());
            case 's': return GS::NewRef<JS::Value>(GS::UniString(String()));
            case 'o': return GS::NewRef<JS::Object>(GS::UniString());
            case 'a': {
                std::size_t count = Count(':');
                auto array = GS::NewRef<JS::Array>();
                for (std::size_t i = 0; i < count; ++i)
                    array->AddItem(Value(depth + 1));
                return array;
            }
            default: Fail(std::string("unknown value tag '") + tag + "'");
        }
    }

    double Id()
    {
        if (Next() != 'c')
            Fail("a call must start with 'c'");
        return Double();
    }

    std::string Name()
    {
        if (Next() != 's')
            Fail("an object or function name must be a string");
        return GS::UniString(String()).ToUtf8();
    }

    void End() const
    {
        if (position != text.size())
            Fail("bytes after the arguments");
    }

    [[noreturn]] void Fail(const std::string& problem) const
    {
        throw Error("the page's call is malformed at byte " + std::to_string(position) + ": " + problem);
    }

private:
    char Next()
    {
        if (position >= text.size())
            Fail("it ends early");
        return text[position++];
    }

    std::string_view Until(char end)
    {
        std::size_t found = text.find(end, position);
        if (found == std::string_view::npos)
            Fail(std::string("no '") + end + "'");
        std::string_view field = text.substr(position, found - position);
        position = found + 1;
        return field;
    }

    template <class T>
    T Integer()
    {
        std::string_view field = Until(';');
        T value{};
        auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
        if (error != std::errc() || end != field.data() + field.size() || field.empty())
            Fail("not an integer in range: " + std::string(field.substr(0, 40)));
        return value;
    }

    double Double()
    {
        std::string_view field = Until(';');
        if (field == "NaN")
            return std::numeric_limits<double>::quiet_NaN();
        if (field == "Infinity")
            return std::numeric_limits<double>::infinity();
        if (field == "-Infinity")
            return -std::numeric_limits<double>::infinity();
        double value = 0.0;
        auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
        if (error != std::errc() || end != field.data() + field.size() || field.empty())
            Fail("not a number: " + std::string(field.substr(0, 40)));
        return value;
    }

    std::size_t Count(char end)
    {
        std::string_view field = Until(end);
        std::size_t count = 0;
        auto [stop, error] = std::from_chars(field.data(), field.data() + field.size(), count);
        if (error != std::errc() || stop != field.data() + field.size() || field.empty())
            Fail("not a count: " + std::string(field.substr(0, 40)));
        // Every value takes at least one byte: a larger count cannot be honest.
        if (count > text.size() - position)
            Fail("a count larger than what follows");
        return count;
    }

    // `length` UTF-16 code units, read from UTF-8. What is not well-formed UTF-8 becomes U+FFFD, as
    // everywhere else in the simulator (the protocol's own JSON never carries it).
    std::u16string String()
    {
        std::size_t length = Count(':');
        std::u16string units;
        units.reserve(length);
        while (units.size() < length) {
            // ASCII, the bulk of a long text: a run found eight bytes at a time, then widened at once.
            const std::size_t limit = std::min(length - units.size(), text.size() - position);
            std::size_t run = 0;
            for (std::uint64_t block; run + 8 <= limit; run += 8) {
                std::memcpy(&block, text.data() + position + run, 8);
                if ((block & 0x8080808080808080ull) != 0)
                    break;
            }
            while (run < limit && static_cast<unsigned char>(text[position + run]) < 0x80)
                ++run;
            if (run > 0) {
                const std::size_t at = units.size();
                units.resize(at + run);
                const char* from = text.data() + position;
                for (std::size_t k = 0; k < run; ++k)
                    units[at + k] = static_cast<char16_t>(from[k]);
                position += run;
            }
            if (units.size() == length)
                break;
            if (position >= text.size())
                Fail("it ends early");
            char32_t code = NextCodePoint(text, position);
            if (code >= 0x10000 && units.size() + 2 > length)
                Fail("a string longer than its length");
            AppendUtf16(code, units);
        }
        return units;
    }

    std::string_view text;
    std::size_t position = 0;
};

}  // namespace

PageCall DecodePageCall(std::string_view payload)
{
    Decoder decoder(payload);
    PageCall call;
    call.id = decoder.Id();
    call.objectName = decoder.Name();
    call.functionName = decoder.Name();
    call.arguments = decoder.Value(0);
    if (GS::DynamicCast<JS::Array>(call.arguments) == nullptr)
        decoder.Fail("the arguments must be an array");
    decoder.End();
    return call;
}

GS::Ref<JS::Base, GS::Counter> DecodePageValue(std::string_view encoded)
{
    Decoder decoder(encoded);
    GS::Ref<JS::Base, GS::Counter> value = decoder.Value(0);
    decoder.End();
    return value;
}

}  // namespace sim
