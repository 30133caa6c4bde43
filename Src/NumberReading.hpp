#pragma once

// Reading the page's point texts, always with "." as the decimal point.

#include <vector>

#include "ACAPinc.h"

namespace Placement {

// One point per line: the first `numbersPerPoint` (2 or 3) numbers of a line, read by strtod's rules
// under the "C" locale, which skip white space and line breaks; the rest of that line is dropped.
// A line whose numbers cannot all be read gives no point; nor does one with "nan" or "inf", which
// would poison bounds and meshes. Two numbers give z = 0.
std::vector<API_Coord3D> ReadPointLines(const GS::UniString& text, int numbersPerPoint);
// The page's terrain points ("x y z" per line) and footprints ("x y" per line).
std::vector<API_Coord3D> ParseXYZLines(const GS::UniString& text);
std::vector<API_Coord3D> ParseXYLines(const GS::UniString& text);

}  // namespace Placement

// The number at the start of a text as atof reads it under the "C" locale (0 when there is none),
// whatever locale the host has set.
double ReadLeadingNumber(const char* text);
