#pragma once

// Every difference between the builds for the host API versions, in one place.

namespace Migration {

// The host's appearance manager (dark and light theme) and its new-tab event exist from this host
// API version on. Tests and tools that load every build read it too.
constexpr int FirstThemedApiVersion = 29;

}  // namespace Migration

// The switches below exist only in a module build, which names its host API version.
#ifdef LANDFETCH_API_VERSION

namespace Migration {

constexpr int ApiVersion = LANDFETCH_API_VERSION;

// From host API 29 on, the browser hands new-window requests to a new-tab event; older hosts
// only let us watch address changes, so outside addresses are caught while navigating.
constexpr bool OutsideAddressesByNewTab = ApiVersion >= FirstThemedApiVersion;

// With the appearance manager the theme script follows it, and the page may ask for it through
// "GetAppearance" (registered from this version on, see ACAPIFunctions.hpp).
constexpr bool ThemeHandling = ApiVersion >= FirstThemedApiVersion;

}  // namespace Migration

#endif
