#pragma once

// A guard for project files: values nested deeper than the simulator can copy, print or walk
// without running out of stack are refused before anything else looks at them.

#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

namespace sim {

// Far more than any project file needs (a scenario holding one may nest its call arguments 1,000
// deep), far less than what exhausts the stack.
inline constexpr std::size_t MaxJsonNesting = 1024;

// How deep the arrays and objects of a value nest (a scalar is 0); walked without recursion.
std::size_t JsonNestingDepth(const nlohmann::json& value);

// Throws sim::Error "WHAT: values nest N deep; at most 1024 levels are read" when the value nests
// deeper than MaxJsonNesting.
void RefuseDeepNesting(const nlohmann::json& value, const std::string& what);

}  // namespace sim
