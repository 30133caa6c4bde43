#pragma once

// The page's values as a scenario file writes them. Plain JSON carries what it can: an integral
// number in the signed 32-bit range reads as an integer, one in the unsigned range as an unsigned
// integer, a number written with a fraction or an exponent as a double. What JSON cannot carry,
// or would read as another kind, is an object with one member:
//   {"double": "-0"}  {"double": "NaN"}  {"double": "Infinity"}  {"double": "-Infinity"}  {"double": 2}
//   {"int": 5}  {"uint": 5}  {"undefined": true}  {"object": true}
// Scenario files without such objects read as they always did.

#include <string>

#include <nlohmann/json.hpp>

#include "JSValues.hpp"

namespace sim {

// The engine's value as a scenario's call argument; an array recurses.
nlohmann::json RecordedValue(const GS::Ref<JS::Base, GS::Counter>& value);

// Whether `value` is one of the tagged objects above (members and kinds checked).
bool IsTaggedValue(const nlohmann::json& value);
// The engine's value of a tagged object; throws sim::Error naming what is wrong with it.
GS::Ref<JS::Base, GS::Counter> TaggedValue(const nlohmann::json& value);

}  // namespace sim
