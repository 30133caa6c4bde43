#pragma once

// Reading numbers out of the page's point texts, always with "." as the decimal point.

namespace Placement {

// strtod's rules under the "C" locale; on success the cursor moves past the number.
bool ReadNumber(const char*& cursor, double& value);
// Moves the cursor past the next line break, or to the end.
const char* SkipLine(const char* cursor, const char* end);

}  // namespace Placement
