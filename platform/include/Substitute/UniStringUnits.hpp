#pragma once

#include <string_view>

#include "UniString.hpp"

namespace Substitute {

// A text's UTF-16 code units, valid until the text changes.
inline std::u16string_view Units(const GS::UniString& text)
{
    return {text.ToUStr(), text.GetLength()};
}

}  // namespace Substitute
