#pragma once

// Integers read from users' JSON. nlohmann turns a number into an integer type with a plain cast,
// which is undefined for a float or an integer beyond the type's range, so every integer a user's
// file gives goes through here.

#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>

#include <nlohmann/json.hpp>

namespace sim {

// The value as a T, or nothing when it is not an integer T can hold (floats such as 1.0 included).
template <class T>
std::optional<T> IntegerFitting(const nlohmann::json& value)
{
    static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (std::in_range<T>(number)) return static_cast<T>(number);
    } else if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (std::in_range<T>(number)) return static_cast<T>(number);
    }
    return std::nullopt;
}

}  // namespace sim
