#include "host/RecordedValues.hpp"

#include <cmath>
#include <limits>

#include "host/Error.hpp"
#include "host/JsonIntegers.hpp"

namespace sim {

namespace {

using nlohmann::json;

json Tagged(const char* kind, json content)
{
    return json{{kind, std::move(content)}};
}

json RecordedNumber(double number)
{
    if (std::isnan(number))
        return Tagged("double", "NaN");
    if (std::isinf(number))
        return Tagged("double", number > 0 ? "Infinity" : "-Infinity");
    if (number == 0.0 && std::signbit(number))
        return Tagged("double", "-0");
    // Written with a fraction or an exponent, so it reads back as a double.
    return number;
}

bool IsTagName(const std::string& key)
{
    return key == "double" || key == "int" || key == "uint" || key == "undefined" || key == "object";
}

[[noreturn]] void Refuse(const json& value, const std::string& problem)
{
    throw Error("a call argument " + value.dump(-1, ' ', false, json::error_handler_t::replace) + " " + problem);
}

template <class T>
T IntegerIn(const json& tagged, const json& content)
{
    const std::optional<T> number = IntegerFitting<T>(content);
    if (!number)
        Refuse(tagged, std::string("needs an integer in the ") +
                           (std::numeric_limits<T>::is_signed ? "signed" : "unsigned") + " 32-bit range");
    return *number;
}

double DoubleIn(const json& tagged, const json& content)
{
    if (content.is_number())
        return content.get<double>();
    if (content == "NaN")
        return std::numeric_limits<double>::quiet_NaN();
    if (content == "Infinity")
        return std::numeric_limits<double>::infinity();
    if (content == "-Infinity")
        return -std::numeric_limits<double>::infinity();
    if (content == "-0")
        return -0.0;
    Refuse(tagged, "needs a number, \"NaN\", \"Infinity\", \"-Infinity\" or \"-0\"");
}

}  // namespace

json RecordedValue(const GS::Ref<JS::Base, GS::Counter>& value)
{
    if (value == nullptr)
        return nullptr;
    if (auto array = GS::DynamicCast<JS::Array>(value); array != nullptr) {
        json items = json::array();
        for (const GS::Ref<JS::Base, GS::Counter>& item : array->GetItemArray())
            items.push_back(RecordedValue(item));
        return items;
    }
    auto scalar = GS::DynamicCast<JS::Value>(value);
    if (scalar == nullptr)  // an object; a function never crosses as one
        return GS::DynamicCast<JS::Object>(value) != nullptr ? Tagged("object", true) : Tagged("undefined", true);
    switch (scalar->GetType()) {
        case JS::Value::UNDEFINED: return Tagged("undefined", true);
        case JS::Value::NULLVALUE: return nullptr;
        case JS::Value::BOOL: return scalar->GetBool();
        case JS::Value::INTEGER: return scalar->GetInteger();
        case JS::Value::UINTEGER:
            // Plain JSON would read a small one as a signed integer.
            if (scalar->GetUInteger() <= static_cast<UInt32>(std::numeric_limits<Int32>::max()))
                return Tagged("uint", scalar->GetUInteger());
            return scalar->GetUInteger();
        case JS::Value::DOUBLE: return RecordedNumber(scalar->GetDouble());
        case JS::Value::STRING: return scalar->GetString().ToUtf8();
    }
    return nullptr;
}

bool IsTaggedValue(const json& value)
{
    return value.is_object() && value.size() == 1 && IsTagName(value.begin().key());
}

GS::Ref<JS::Base, GS::Counter> TaggedValue(const json& value)
{
    if (!IsTaggedValue(value))
        Refuse(value, "is an object: only {\"double\": …}, {\"int\": …}, {\"uint\": …}, {\"undefined\": true} or "
                      "{\"object\": true} stand for a value");
    const std::string& kind = value.begin().key();
    const json& content = value.begin().value();
    if (kind == "double")
        return GS::NewRef<JS::Value>(DoubleIn(value, content));
    if (kind == "int")
        return GS::NewRef<JS::Value>(IntegerIn<Int32>(value, content));
    if (kind == "uint")
        return GS::NewRef<JS::Value>(IntegerIn<UInt32>(value, content));
    if (content != true)
        Refuse(value, "needs true");
    if (kind == "undefined")
        return GS::NewRef<JS::Value>();
    return GS::NewRef<JS::Object>(GS::UniString());
}

}  // namespace sim
