#pragma once

// Tolerant reading of a project file's members for the exporters: a member that is missing or of
// another kind gives the fallback, so a hand-edited file still exports what it can.

#include <string>

#include <nlohmann/json.hpp>

namespace sim::TolerantMembers {

inline double Number(const nlohmann::json& object, const char* key, double fallback)
{
    auto it = object.find(key);
    return (it != object.end() && it->is_number()) ? it->get<double>() : fallback;
}

inline int Integer(const nlohmann::json& object, const char* key, int fallback)
{
    auto it = object.find(key);
    return (it != object.end() && it->is_number()) ? static_cast<int>(it->get<double>()) : fallback;
}

inline std::string Text(const nlohmann::json& object, const char* key)
{
    auto it = object.find(key);
    return (it != object.end() && it->is_string()) ? it->get<std::string>() : std::string();
}

inline const nlohmann::json& List(const nlohmann::json& object, const char* key)
{
    static const nlohmann::json empty = nlohmann::json::array();
    if (!object.is_object())
        return empty;
    auto it = object.find(key);
    return (it != object.end() && it->is_array()) ? *it : empty;
}

}  // namespace sim::TolerantMembers
