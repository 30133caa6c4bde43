#pragma once

// The page's values as the JavaScript engine hands them to a bound function, and its replies back.
// Numbers take the engine's kinds: integral and within signed 32 bits an integer, within unsigned
// 32 bits an unsigned integer, any other number a double. A JSON object cannot be passed.

#include <string_view>

#include <nlohmann/json.hpp>

#include "JSValues.hpp"

namespace sim {

// Arrays nested deeper than this (the arguments' own array counts) are refused, never recursed into.
constexpr int MaxPageNesting = 1000;

// A JSON text of the page, read straight into engine values. Throws sim::Error for text that is not
// JSON, for an object and for nesting beyond MaxPageNesting.
GS::Ref<JS::Base, GS::Counter> PageValueFromJson(std::string_view json);
// The arguments of a call: a JSON array, or `null` for none.
GS::Ref<JS::Base, GS::Counter> PageArgumentsFromJson(std::string_view json);

// True when the text is one JSON value, whatever it holds (an object, nesting too deep to pass).
bool IsJsonText(std::string_view text);

// The same for values already held as nlohmann JSON; the results are identical.
GS::Ref<JS::Base, GS::Counter> ToJsValue(const nlohmann::json& value);
GS::Ref<JS::Base, GS::Counter> ToJsArguments(const nlohmann::json& args);

// Whether a value holds arrays or objects more than `levels` deep; looks no deeper than that, so
// it is safe where copying or printing the value would recurse too deep.
bool DeeperThan(const nlohmann::json& value, int levels);

// A reply: a text or a boolean; anything else is null.
nlohmann::json FromJsValue(const GS::Ref<JS::Base, GS::Counter>& value);

}  // namespace sim
