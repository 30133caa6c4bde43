#pragma once

// A text's UTF-16 code units, for reading it unit by unit without a copy.

#include <string_view>

#include "GSRoot.hpp"

// Valid until the text changes.
inline std::u16string_view TextUnits(const GS::UniString& text)
{
    return {text.ToUStr(), text.GetLength()};
}
