#pragma once

#include "GSRoot.hpp"

namespace DG {

PLATFORM_API bool IsDarkMode();
// Host side: the theme the host starts with, without an event.
PLATFORM_API void SetDarkMode(bool dark);

}  // namespace DG
