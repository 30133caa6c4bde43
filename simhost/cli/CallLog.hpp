#pragma once

// One line per ACAPI call as `browse` prints it while the page works: the call, its arguments
// with long texts and lists shortened, and the reply.

#include <string>

#include <nlohmann/json.hpp>

namespace sim {

// A JSON value in one line: texts longer than `textLimit` keep their start and say how long they
// are, lists longer than `listLimit` keep their first items and say how many there are.
std::string ShortJson(const nlohmann::json& value, std::size_t textLimit = 48, std::size_t listLimit = 4);

// NAME(arg, arg, ...) -> reply
std::string CallLine(const std::string& name, const nlohmann::json& args, const nlohmann::json& reply);

}  // namespace sim
