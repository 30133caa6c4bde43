#pragma once

// Every difference between the builds for the host API versions, in one place.

namespace Migration {

// The host's appearance manager (dark and light theme) and its new-tab event exist from this host
// API version on. Tests and tools that load every build read it too.
constexpr int FirstThemedApiVersion = 29;

}  // namespace Migration

// The switches below exist only in a module build, which names its host API version.
#ifdef LANDFETCH_API_VERSION

#include <cstring>
#include <limits>
#include <type_traits>

#include "ACAPinc.h"

namespace Migration {

constexpr int ApiVersion = LANDFETCH_API_VERSION;

// From host API 29 on, the browser hands new-window requests to a new-tab event; older hosts
// only let us watch address changes, so outside addresses are caught while navigating.
constexpr bool OutsideAddressesByNewTab = ApiVersion >= FirstThemedApiVersion;

// With the appearance manager the theme script follows it, and the page may ask for it through
// "GetAppearance" (registered from this version on, see ACAPIFunctions.hpp).
constexpr bool ThemeHandling = ApiVersion >= FirstThemedApiVersion;

// Host API 27 takes a text element's text as a handle of zero-terminated UTF-8; from 28 on it is a
// string object. Either way the memo owns it and the host frees it with the memo.
constexpr bool MemoTextAsHandle = ApiVersion < 28;
static_assert(std::is_same_v<decltype(API_ElementMemo::textContent),
                             std::conditional_t<MemoTextAsHandle, char**, GS::UniString*>>);

inline bool PutMemoText(char**& content, const GS::UniString& text)
{
    const GS::UniString::CStr bytes = text.ToCStr(CC_UTF8);
    if (bytes.GetLength() >= static_cast<UInt32>(std::numeric_limits<GSSize>::max()))
        return false;
    content = BMAllocateHandle(static_cast<GSSize>(bytes.GetLength()) + 1, ALLOCATE_CLEAR, 0);
    if (content == nullptr)
        return false;
    std::memcpy(*content, bytes.Get(), bytes.GetLength());
    return true;
}

inline bool PutMemoText(GS::UniString*& content, const GS::UniString& text)
{
    content = new GS::UniString(text);
    return true;
}

// False when no room was left for the text.
inline bool PutMemoText(API_ElementMemo& memo, const GS::UniString& text)
{
    return PutMemoText(memo.textContent, text);
}

}  // namespace Migration

#endif
