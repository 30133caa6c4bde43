#pragma once

// Every difference between the builds for the host API versions, in one place.

#ifndef LANDFETCH_API_VERSION
#error "LANDFETCH_API_VERSION must name the host API version of the build"
#endif

namespace Migration {

constexpr int ApiVersion = LANDFETCH_API_VERSION;

// From host API 29 on, the browser hands new-window requests to a new-tab event; older hosts
// only let us watch address changes, so outside addresses are caught while navigating.
constexpr bool OutsideAddressesByNewTab = ApiVersion >= 29;

// The host's appearance manager (dark and light theme) exists from host API 29 on: the theme
// script follows it and the page may ask for it through "GetAppearance".
constexpr bool ThemeHandling = ApiVersion >= 29;
constexpr bool AppearanceFunction = ApiVersion >= 29;

}  // namespace Migration
