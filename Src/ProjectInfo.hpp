#pragma once

// Project-info autotexts set from the page's key/value pairs.

#include <utility>
#include <vector>

#include "ACAPinc.h"

GS::UniString ApplyProjectInfo(const std::vector<std::pair<GS::UniString, GS::UniString>>& pairs);
