#include "host/JsonNesting.hpp"

#include <utility>
#include <vector>

#include "host/Error.hpp"

namespace sim {

std::size_t JsonNestingDepth(const nlohmann::json& value)
{
    std::size_t deepest = 0;
    std::vector<std::pair<const nlohmann::json*, std::size_t>> pending{{&value, 0}};
    while (!pending.empty()) {
        const auto [item, depth] = pending.back();
        pending.pop_back();
        if (!item->is_structured())
            continue;
        deepest = std::max(deepest, depth + 1);
        for (const nlohmann::json& child : *item)
            pending.emplace_back(&child, depth + 1);
    }
    return deepest;
}

void RefuseDeepNesting(const nlohmann::json& value, const std::string& what)
{
    const std::size_t depth = JsonNestingDepth(value);
    if (depth > MaxJsonNesting)
        throw Error(what + ": values nest " + std::to_string(depth) + " deep; at most " +
                    std::to_string(MaxJsonNesting) + " levels are read");
}

}  // namespace sim
