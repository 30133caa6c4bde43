#pragma once

// What each host API version offers an add-on, named once; everything else in the simulator asks
// these rather than comparing versions.

namespace sim::HostFeatures {

// The appearance (dark or light) reaches the add-on: its page's ACAPI object has "GetAppearance"
// and the add-on follows the appearance event.
constexpr bool OffersAppearance(int apiVersion)
{
    return apiVersion >= 29;
}

// Outside addresses reach the add-on as the browser's new-tab event; in older versions as the
// address-change (navigation) event, which the add-on may refuse.
constexpr bool OutsideAddressesByNewTab(int apiVersion)
{
    return apiVersion >= 29;
}

}  // namespace sim::HostFeatures
