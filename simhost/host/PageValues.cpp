#include "host/PageValues.hpp"

#include <cstring>
#include <limits>
#include <string>

#include <simdjson.h>

#include "host/Encoding.hpp"
#include "host/Error.hpp"
#include "host/RecordedValues.hpp"

namespace sim {

namespace {

// simdjson stops deeper input itself; the margin lets our own count give the message first.
constexpr std::size_t ParserDepth = MaxPageNesting + 2;

[[noreturn]] void RefuseDepth()
{
    throw Error("arrays nested deeper than " + std::to_string(MaxPageNesting) + " levels cannot be passed");
}

GS::Ref<JS::Base, GS::Counter> NumberOf(std::int64_t number)
{
    if (number >= std::numeric_limits<Int32>::min() && number <= std::numeric_limits<Int32>::max())
        return GS::NewRef<JS::Value>(static_cast<Int32>(number));
    if (number >= 0 && number <= static_cast<std::int64_t>(std::numeric_limits<UInt32>::max()))
        return GS::NewRef<JS::Value>(static_cast<UInt32>(number));
    return GS::NewRef<JS::Value>(static_cast<double>(number));
}

GS::Ref<JS::Base, GS::Counter> NumberOf(std::uint64_t number)
{
    if (number <= static_cast<std::uint64_t>(std::numeric_limits<Int32>::max()))
        return GS::NewRef<JS::Value>(static_cast<Int32>(number));
    if (number <= std::numeric_limits<UInt32>::max())
        return GS::NewRef<JS::Value>(static_cast<UInt32>(number));
    return GS::NewRef<JS::Value>(static_cast<double>(number));
}

// Met an object: the nlohmann route words the refusal.
struct ObjectMet {};

GS::Ref<JS::Base, GS::Counter> Convert(simdjson::dom::element element, int depth)
{
    using Type = simdjson::dom::element_type;
    switch (element.type()) {
        case Type::ARRAY: {
            if (depth > MaxPageNesting)
                RefuseDepth();
            auto array = GS::NewRef<JS::Array>();
            for (simdjson::dom::element item : simdjson::dom::array(element))
                array->AddItem(Convert(item, depth + 1));
            return array;
        }
        case Type::OBJECT:
            throw ObjectMet{};
        case Type::INT64:
            return NumberOf(static_cast<std::int64_t>(element));
        case Type::UINT64:
            return NumberOf(static_cast<std::uint64_t>(element));
        case Type::DOUBLE:
            return GS::NewRef<JS::Value>(static_cast<double>(element));
        case Type::STRING:
            return GS::NewRef<JS::Value>(GS::UniString(Utf16FromUtf8(static_cast<std::string_view>(element))));
        case Type::BOOL:
            return GS::NewRef<JS::Value>(static_cast<bool>(element));
        case Type::NULL_VALUE:
            return nullptr;
    }
    return nullptr;
}

GS::Ref<JS::Base, GS::Counter> Convert(const nlohmann::json& value, int depth)
{
    switch (value.type()) {
        case nlohmann::json::value_t::null:
            return nullptr;
        case nlohmann::json::value_t::boolean:
            return GS::NewRef<JS::Value>(value.get<bool>());
        case nlohmann::json::value_t::number_unsigned:
            return NumberOf(value.get<std::uint64_t>());
        case nlohmann::json::value_t::number_integer:
            return NumberOf(value.get<std::int64_t>());
        case nlohmann::json::value_t::number_float:
            return GS::NewRef<JS::Value>(value.get<double>());
        case nlohmann::json::value_t::string: {
            const std::string& text = value.get_ref<const std::string&>();
            return GS::NewRef<JS::Value>(GS::UniString(Utf16FromUtf8(text)));
        }
        case nlohmann::json::value_t::array: {
            if (depth > MaxPageNesting)
                RefuseDepth();
            auto array = GS::NewRef<JS::Array>();
            for (const nlohmann::json& item : value)
                array->AddItem(Convert(item, depth + 1));
            return array;
        }
        default:
            // Printing the object recurses through it.
            if (DeeperThan(value, MaxPageNesting - depth + 1))
                RefuseDepth();
            if (IsTaggedValue(value))
                return TaggedValue(value);
            throw Error("a call argument cannot be a JSON object: " + value.dump());
    }
}

// Discarded when the text is not JSON.
nlohmann::json ParseNlohmann(std::string_view json)
{
    // Its parser does not recurse, but copying and printing what it built would.
    auto bounded = [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
        if (depth > MaxPageNesting + 1)
            RefuseDepth();
        return true;
    };
    return nlohmann::json::parse(json.begin(), json.end(), bounded, false);
}

// The page's texts live only as long as the call, so the parser does too.
struct FastParse {
    explicit FastParse(std::string_view json) : padded(json.data(), json.size())
    {
        error = parser.allocate(json.size(), ParserDepth);
        if (error == simdjson::SUCCESS)
            error = parser.parse(padded).get(root);
    }
    // Integers beyond 64 bits are doubles to nlohmann; simdjson refuses them.
    bool NumberProblem() const { return error == simdjson::NUMBER_ERROR; }

    simdjson::dom::parser parser;
    simdjson::padded_string padded;
    simdjson::dom::element root;
    simdjson::error_code error = simdjson::SUCCESS;
};

enum class Reading { Value, Arguments };

GS::Ref<JS::Base, GS::Counter> Read(std::string_view json, Reading reading)
{
    FastParse fast(json);
    if (fast.error == simdjson::DEPTH_ERROR)
        RefuseDepth();
    if (fast.error == simdjson::SUCCESS) {
        try {
            if (reading == Reading::Value)
                return Convert(fast.root, 1);
            if (fast.root.is_null())
                return GS::NewRef<JS::Array>();
            if (fast.root.is_array())
                return Convert(fast.root, 1);
        } catch (const ObjectMet&) {
        }
    }
    // What simdjson could not take, and the refusals, go the nlohmann way, which words them.
    nlohmann::json value;
    if (fast.error == simdjson::SUCCESS || fast.NumberProblem())
        value = ParseNlohmann(json);
    if (value.is_discarded() || (fast.error != simdjson::SUCCESS && !fast.NumberProblem())) {
        throw Error(std::string(reading == Reading::Arguments ? "call arguments" : "a page value") +
                    " must be JSON (" + simdjson::error_message(fast.error) + ")");
    }
    return reading == Reading::Value ? ToJsValue(value) : ToJsArguments(value);
}

}  // namespace

bool DeeperThan(const nlohmann::json& value, int levels)
{
    if (!value.is_structured())
        return false;
    if (levels <= 0)
        return true;
    for (const nlohmann::json& item : value)
        if (DeeperThan(item, levels - 1))
            return true;
    return false;
}

GS::Ref<JS::Base, GS::Counter> PageValueFromJson(std::string_view json)
{
    return Read(json, Reading::Value);
}

GS::Ref<JS::Base, GS::Counter> PageArgumentsFromJson(std::string_view json)
{
    return Read(json, Reading::Arguments);
}

bool IsJsonText(std::string_view text)
{
    FastParse fast(text);
    if (fast.error == simdjson::SUCCESS || fast.error == simdjson::DEPTH_ERROR)
        return true;
    if (!fast.NumberProblem())
        return false;
    try {
        return !ParseNlohmann(text).is_discarded();
    } catch (const Error&) {
        return true;  // too deep: still JSON, refused when passed
    }
}

GS::Ref<JS::Base, GS::Counter> ToJsValue(const nlohmann::json& value)
{
    return Convert(value, 1);
}

GS::Ref<JS::Base, GS::Counter> ToJsArguments(const nlohmann::json& args)
{
    if (args.is_null())
        return GS::NewRef<JS::Array>();
    if (!args.is_array()) {
        if (DeeperThan(args, MaxPageNesting))
            RefuseDepth();
        throw Error("call arguments must be a JSON array: " + args.dump());
    }
    return Convert(args, 1);
}

nlohmann::json FromJsValue(const GS::Ref<JS::Base, GS::Counter>& value)
{
    auto scalar = GS::DynamicCast<JS::Value>(value);
    if (scalar == nullptr)
        return nullptr;
    switch (scalar->GetType()) {
        case JS::Value::STRING: return scalar->GetString().ToUtf8();
        case JS::Value::BOOL: return scalar->GetBool();
        default: return nullptr;
    }
}

}  // namespace sim
