#pragma once

#include <cmath>
#include <iomanip>
#include <sstream>
#include <string>

#include "JSValues.hpp"

namespace test {

// A value as the host's engine hands it to a bound function: its kind and content, as text to
// compare. `noValue` names an empty reference (the recording control's null).
inline std::string ValueKind(const GS::Ref<JS::Base, GS::Counter>& value, const char* noValue = "nullref")
{
    if (value == nullptr)
        return noValue;
    if (auto array = GS::DynamicCast<JS::Array>(value); array != nullptr) {
        std::string text = "[";
        for (const auto& item : array->GetItemArray())
            text += (text.size() > 1 ? "," : "") + ValueKind(item, noValue);
        return text + "]";
    }
    if (GS::DynamicCast<JS::Object>(value) != nullptr)
        return "object";
    auto scalar = GS::DynamicCast<JS::Value>(value);
    if (scalar == nullptr)
        return "other";
    std::ostringstream text;
    switch (scalar->GetType()) {
        case JS::Value::UNDEFINED: return "undefined";
        case JS::Value::NULLVALUE: return "null";
        case JS::Value::BOOL: return scalar->GetBool() ? "bool:true" : "bool:false";
        case JS::Value::INTEGER: text << "int:" << scalar->GetInteger(); break;
        case JS::Value::UINTEGER: text << "uint:" << scalar->GetUInteger(); break;
        case JS::Value::DOUBLE: {
            double d = scalar->GetDouble();
            if (std::isnan(d))
                text << "double:NaN";
            else if (d == 0 && std::signbit(d))
                text << "double:-0";
            else
                text << "double:" << std::setprecision(17) << d;
            break;
        }
        case JS::Value::STRING: text << "string:" << scalar->GetString().ToUtf8() << "#" << scalar->GetString().GetLength(); break;
    }
    return text.str();
}

}  // namespace test
