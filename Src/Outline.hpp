#pragma once

// An outline in plan, vertex by vertex.

#include <utility>
#include <vector>

namespace Placement {

using Outline = std::vector<std::pair<double, double>>;

}  // namespace Placement
