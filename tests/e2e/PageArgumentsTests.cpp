// The page's calls as the binding brings them: strings arrive as the UTF-16 units the page counted,
// and bytes that are no well-formed UTF-8 read as everywhere else in the simulator.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "browser/DevToolsPipe.hpp"
#include "browser/PageArguments.hpp"
#include "browser/PageScript.hpp"
#include "host/Encoding.hpp"
#include "host/Error.hpp"
#include "UniStringUnits.hpp"
#include "ValueKinds.hpp"

namespace {

std::u16string Units(const GS::Ref<JS::Base, GS::Counter>& value)
{
    auto scalar = GS::DynamicCast<JS::Value>(value);
    if (scalar == nullptr || scalar->GetType() != JS::Value::STRING)
        return u"(not a string)";
    return std::u16string(Substitute::Units(scalar->GetString()));
}

std::string Encoded(const std::string& bytes, std::size_t units)
{
    return "s" + std::to_string(units) + ":" + bytes;
}

TEST(PageArguments, StringsArriveAsTheUnitsThePageCounted)
{
    EXPECT_EQ(Units(sim::DecodePageValue(Encoded("", 0))), u"");
    EXPECT_EQ(Units(sim::DecodePageValue(Encoded(std::string("a\0b", 3), 3))), std::u16string(u"a\0b", 3));
    EXPECT_EQ(Units(sim::DecodePageValue(Encoded("žluťoučký", 9))), u"žluťoučký");
    EXPECT_EQ(Units(sim::DecodePageValue(Encoded("😀x", 3))), u"😀x");
    // In an array the next value starts right after the counted units.
    auto array = GS::DynamicCast<JS::Array>(sim::DecodePageValue("a2:" + Encoded("€", 1) + Encoded("😀", 2)));
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->GetItemArray().GetSize(), 2u);
    EXPECT_EQ(Units(array->GetItemArray()[0]), u"€");
    EXPECT_EQ(Units(array->GetItemArray()[1]), u"😀");

    // A count that disagrees with the text is refused, never read past.
    for (const std::string& payload : {Encoded("😀", 1), Encoded("ab", 3), Encoded("€", 2), Encoded("ab", 1)})
        EXPECT_THROW(sim::DecodePageValue(payload), sim::Error) << payload;
}

TEST(PageArguments, BytesThatAreNoWellFormedUtf8ReadAsEverywhereElse)
{
    const std::vector<std::string> illFormed = {
        "\x80",                  // a continuation byte alone
        "a\xC3",                 // cut short at the end
        "\xE2\x82" "A",          // cut short before a letter
        "\xC0\xAF",              // overlong '/'
        "\xE0\x80\xAF",          // overlong '/' in three bytes
        "\xED\xA0\x80",          // a surrogate
        "\xF4\x90\x80\x80",      // beyond U+10FFFF
        "\xF8\x88\x80\x80\x80",  // a five-byte form
        "\xFF" "b\xFE",
    };
    for (const std::string& bytes : illFormed) {
        const std::u16string expected = sim::Utf16FromUtf8(bytes);
        EXPECT_EQ(Units(sim::DecodePageValue(Encoded(bytes, expected.size()))), expected) << Encoded(bytes, expected.size());
    }
    // Each such byte is one U+FFFD: the string ends where its count says, and what follows is read.
    auto array = GS::DynamicCast<JS::Array>(sim::DecodePageValue("a2:" + Encoded("\xC0\xAF", 2) + "t"));
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->GetItemArray().GetSize(), 2u);
    EXPECT_EQ(Units(array->GetItemArray()[0]), u"\uFFFD\uFFFD");
}

// The plain reading of a string: one code point at a time. `position` ends after its last unit.
std::u16string PlainUnits(const std::string& bytes, std::size_t length, bool& refused, std::size_t& position)
{
    std::u16string units;
    position = 0;
    refused = false;
    while (units.size() < length) {
        if (position >= bytes.size()) {
            refused = length != SIZE_MAX;
            return units;
        }
        char32_t code = sim::NextCodePoint(bytes, position);
        if (code >= 0x10000 && units.size() + 2 > length) {
            refused = true;
            return {};
        }
        sim::AppendUtf16(code, units);
    }
    return units;
}

// Long ASCII runs cut at every length, between multi-byte and ill-formed sequences.
std::string RandomText(std::mt19937& random)
{
    static const std::vector<std::string> pieces = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80", "\xC3", "\xED\xA0\x80",
                                                    "\xF4\x90\x80\x80", std::string(1, '\0'), "\x7F", "\xEF\xBF\xBF"};
    std::string text;
    const int parts = static_cast<int>(random() % 6);
    for (int i = 0; i < parts; ++i) {
        const std::size_t run = random() % 40;
        for (std::size_t k = 0; k < run; ++k)
            text += static_cast<char>(' ' + random() % 95);
        text += pieces[random() % pieces.size()];
    }
    return text;
}

TEST(PageArguments, LongAsciiRunsReadAsThePlainReadingReadsThem)
{
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = RandomText(random);
        bool refused = false;
        std::size_t position = 0;
        const std::size_t exact = PlainUnits(bytes, SIZE_MAX, refused, position).size();
        // Counted right, the next value follows the text.
        auto array = GS::DynamicCast<JS::Array>(sim::DecodePageValue("a2:" + Encoded(bytes, exact) + "t"));
        ASSERT_NE(array, nullptr);
        EXPECT_EQ(Units(array->GetItemArray()[0]), PlainUnits(bytes, exact, refused, position)) << bytes;
        // Counted wrong, it is refused as the plain reading refuses it, or for the bytes left over.
        for (std::size_t length = exact > 2 ? exact - 2 : 0; length <= exact + 2; ++length) {
            const std::u16string plain = PlainUnits(bytes, length, refused, position);
            const std::string payload = Encoded(bytes, length);
            if (refused || position != bytes.size())
                EXPECT_THROW(sim::DecodePageValue(payload), sim::Error) << payload;
            else
                EXPECT_EQ(Units(sim::DecodePageValue(payload)), plain) << payload;
        }
    }
}

// Values as the host's engine holds them, of every kind, nested.
GS::Ref<JS::Base, GS::Counter> RandomValue(std::mt19937& random, int depth)
{
    static const std::vector<double> doubles = {
        -0.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), 5e-324, 2.2250738585072009e-308, 9007199254740993.0,
        9007199254740992.0 * 2 + 2, 1e21, 1e-7, 0.1, -1.7976931348623157e308, 123456.789, 4294967296.0};
    switch (random() % (depth < 4 ? 11 : 9)) {
        case 0: return GS::NewRef<JS::Value>();
        case 1: return JS::Value::Null();
        case 2: return GS::NewRef<JS::Value>(random() % 2 == 0);
        case 3: return GS::NewRef<JS::Value>(static_cast<Int32>(random()));
        case 4: return GS::NewRef<JS::Value>(static_cast<UInt32>(random()));
        case 5: return GS::NewRef<JS::Value>(doubles[random() % doubles.size()]);
        case 6: return GS::NewRef<JS::Value>(std::ldexp(static_cast<double>(random()), static_cast<int>(random() % 200) - 100));
        case 7: {
            // Any UTF-16 unit, lone surrogates included, among runs of ASCII.
            std::u16string units;
            const std::size_t length = random() % 30;
            for (std::size_t i = 0; i < length; ++i)
                units += random() % 3 == 0 ? static_cast<char16_t>(random() % 0x10000) : static_cast<char16_t>(' ' + random() % 95);
            return GS::NewRef<JS::Value>(GS::UniString(units));
        }
        case 8: return GS::NewRef<JS::Object>(GS::UniString("any"));
        default: {
            auto array = GS::NewRef<JS::Array>();
            const std::size_t count = random() % 6;
            for (std::size_t i = 0; i < count; ++i)
                array->AddItem(RandomValue(random, depth + 1));
            return array;
        }
    }
}

// A string's units as the page gets them through source text: its UTF-8, read back.
std::string AsThePageGetsIt(const GS::Ref<JS::Base, GS::Counter>& value)
{
    if (auto array = GS::DynamicCast<JS::Array>(value); array != nullptr) {
        std::string text = "[";
        for (const auto& item : array->GetItemArray())
            text += AsThePageGetsIt(item) + ",";
        return text + "]";
    }
    auto scalar = GS::DynamicCast<JS::Value>(value);
    if (scalar != nullptr && scalar->GetType() == JS::Value::STRING) {
        const std::u16string units = sim::Utf16FromUtf8(scalar->GetString().ToUtf8());
        std::string text = "units:";
        for (char16_t unit : units)
            text += std::to_string(unit) + ".";
        return text;
    }
    return test::ValueKind(value);
}

TEST(PageArguments, TheHostsValuesSentToThePageReadBackAsTheSourceTextGivesThem)
{
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        auto arguments = GS::NewRef<JS::Array>();
        const std::size_t count = random() % 8;
        for (std::size_t i = 0; i < count; ++i)
            arguments->AddItem(RandomValue(random, 0));
        const std::string encoded = sim::EncodeArguments(arguments);
        const GS::Ref<JS::Base, GS::Counter> back = sim::DecodePageValue(encoded);
        EXPECT_EQ(AsThePageGetsIt(back), AsThePageGetsIt(arguments)) << encoded;
        // What the page gets as source text when it cannot fetch them is the same text.
        EXPECT_EQ(sim::ArgumentsSource(back), sim::ArgumentsSource(arguments)) << encoded;
    }
    // A long text and a long array of numbers cross whole.
    auto big = GS::NewRef<JS::Array>();
    std::u16string text;
    for (int i = 0; i < 200000; ++i)
        text += i % 1000 == 999 ? u"\u017E\U0001F600\n" : u"-743512.25 ";
    big->AddItem(GS::NewRef<JS::Value>(GS::UniString(text)));
    auto numbers = GS::NewRef<JS::Array>();
    for (int i = 0; i < 100000; ++i)
        numbers->AddItem(GS::NewRef<JS::Value>(i * 0.001 - 50));
    big->AddItem(numbers);
    EXPECT_TRUE(AsThePageGetsIt(sim::DecodePageValue(sim::EncodeArguments(big))) == AsThePageGetsIt(big));
}

TEST(PageArguments, EveryCutOrDamagedCallIsRefusedWithoutReadingPastIt)
{
    std::mt19937 random(5);
    auto arguments = GS::NewRef<JS::Array>();
    for (int i = 0; i < 12; ++i)
        arguments->AddItem(RandomValue(random, 0));
    const std::string call = "c7;s5:Probes4:Take" + sim::EncodeArguments(arguments);
    ASSERT_NO_THROW(sim::DecodePageCall(call));
    for (std::size_t cut = 0; cut < call.size(); ++cut)
        EXPECT_THROW(sim::DecodePageCall(std::string_view(call.data(), cut)), sim::Error) << cut;
    // Damaged bytes give a value or a refusal, never more than the text holds.
    for (int round = 0; round < 3000; ++round) {
        std::string damaged = call;
        constexpr std::string_view bytes = "as:;0123456789dxiUun\xF0\x80";
        damaged[random() % damaged.size()] = bytes[random() % bytes.size()];
        try {
            sim::PageCall decoded = sim::DecodePageCall(damaged);
            EXPECT_LE(AsThePageGetsIt(decoded.arguments).size(), 40 * damaged.size());
        } catch (const sim::Error&) {
        }
    }
}

TEST(DevToolsMessages, AreReadAsNlohmannsParserReadsThem)
{
    const std::vector<std::string> messages = {
        R"({"id":1,"result":{"a":[1,-0,2.5,-7,18446744073709551615,18446744073709551616,1e308,5e-324]}})",
        R"({"method":"Runtime.bindingCalled","params":{"payload":"a\n\"b\u0000\u2028\ud83d\ude00","name":"x"}})",
        R"({"a":1,"a":2,"b":{"c":null,"d":true,"e":false}})",
        R"({"s":"\ud800"})", R"({"s":"x\udc00y\ud800\ud800\ude00"})", R"({"s":"\\ud800"})",
        "{\"s\":\"\xC3\"}", R"({"a":[1,2)", R"({"a":1} x)", "", R"([1e400])", R"({"n":-9223372036854775809})",
        std::string(3000, '[') + std::string(3000, ']'),
    };
    for (const std::string& message : messages) {
        std::string repaired = message;
        for (const char* lone : {"\\ud800\"", "\\udc00y", "\\ud800\\ud800"})
            if (std::size_t at = repaired.find(lone); at != std::string::npos && message != R"({"s":"\\ud800"})")
                repaired.replace(at + 2, 4, "fffd");
        nlohmann::json expected;
        bool refused = false;
        try {
            expected = nlohmann::json::parse(repaired);
        } catch (const nlohmann::json::exception&) {
            refused = true;
        }
        if (refused) {
            EXPECT_THROW(sim::DevToolsPipe::ParseMessage(message.data(), message.data() + message.size()),
                         nlohmann::json::exception) << message.substr(0, 80);
            continue;
        }
        const nlohmann::json read = sim::DevToolsPipe::ParseMessage(message.data(), message.data() + message.size());
        EXPECT_EQ(read, expected) << message.substr(0, 80);
        EXPECT_EQ(read.dump(), expected.dump()) << message.substr(0, 80);
    }
}

}  // namespace
