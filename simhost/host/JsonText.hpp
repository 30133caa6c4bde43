#pragma once

// Users' JSON files read with simdjson into nlohmann's values, the form the rest of the simulator
// works with.

#include <istream>
#include <string_view>

#include <nlohmann/json.hpp>

namespace sim {

// The values nlohmann's own parser would give, numbers' kinds included. Texts simdjson refuses
// (bad syntax or UTF-8, integers beyond 64 bits, nesting deeper than it is set up for) go through
// nlohmann's parser, so the values and the messages of its exceptions stay as they were.
// Throws nlohmann::json::exception for a text that is not JSON.
nlohmann::json ParseJsonText(std::string_view text);
// The same for the whole rest of a stream (a file), read once into a block the parser can use as it is.
nlohmann::json ParseJsonStream(std::istream& in);

}  // namespace sim
