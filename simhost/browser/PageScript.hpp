#pragma once

// The script the browser runs in every document before the page's own: it makes the object the
// module registered, one Promise-returning function per registered function.

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "JSValues.hpp"

namespace sim {

// The binding the page-side functions send their calls through.
inline constexpr const char* PageBindingName = "__landfetchCall";
// The page-side function the replies are delivered to: (id, fulfilled, value).
inline constexpr const char* PageSettleName = "__landfetchSettle";

// A value as the page's source text reads it.
std::string ScriptLiteral(const nlohmann::json& value);

// The engine's values of a call as the source of an array literal: each value becomes the page's
// own (-0, NaN, Infinity, undefined, {} included), which the page gives back with the same kind.
std::string ArgumentsSource(const GS::Ref<JS::Base, GS::Counter>& arguments);

// An expression that settles the page's promise of call `id` with `value`.
std::string SettleExpression(double id, bool fulfilled, const nlohmann::json& value);

std::string ObjectPageScript(const std::string& objectName, const std::vector<std::string>& functionNames);

// An expression that calls objectName.functionName(...args) and awaits it; it gives
// {found: bool, reply?: value, rejected?: text}.
std::string CallPageExpression(const std::string& objectName, const std::string& functionName,
                               const std::string& argsJson);

// The engine's values in the page's own encoding (PageArguments.hpp), strings in UTF-8 with an
// unpaired surrogate as U+FFFD, as their UTF-8 has it.
std::string EncodeArguments(const GS::Ref<JS::Base, GS::Counter>& arguments);

// The call of CallPageExpression with the arguments fetched from `path` on the page's own origin,
// where they are EncodeArguments' text: a long text crosses as a response body, which the browser
// neither compiles nor converts. It gives {fetched: false} when the page cannot fetch them (its
// document has no http(s) origin, or a policy refuses), having called nothing.
std::string CallPageFetchingExpression(const std::string& objectName, const std::string& functionName,
                                       const std::string& path);

}  // namespace sim
