#pragma once

// Project-info autotexts set from the page's key/value pairs.

#include <utility>
#include <vector>

#include "APIDefs.hpp"

GS::UniString ApplyProjectInfo(const std::vector<std::pair<GS::UniString, GS::UniString>>& pairs);
