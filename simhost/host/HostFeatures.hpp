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

// A text element's text reaches the host as a handle of zero-terminated UTF-8 (the memo of
// ACAPinc.h's API_ElementMemo27); from 28 on as a string object.
constexpr bool MemoTextAsHandle(int apiVersion)
{
    return apiVersion < 28;
}

}  // namespace sim::HostFeatures
