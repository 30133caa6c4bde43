#pragma once

#include "GSRoot.hpp"

namespace OSUtils {

// Hands an address to the system's default browser. Nothing is launched on this platform: the
// address is recorded for the host to inspect.
PLATFORM_API bool OpenWithDefaultBrowser(const GS::UniString& address);

PLATFORM_API GS::Array<GS::UniString> GetOpenedAddresses();
PLATFORM_API void ClearOpenedAddresses();

}  // namespace OSUtils
