#pragma once

// Resource strings and other resources of a module, read from the module's own image.

#include "GSRoot.hpp"
#include "Win32.hpp"

// Opens the resources of a loaded module; InvalidResModule when it has none.
PLATFORM_API GSResModule RSInitModuleImageCache(HINSTANCE instance);
PLATFORM_API void RSRemoveModuleImageCache(GSResModule resModule);

// Item `index` (from 1) of string list `resId`; false when there is no such item.
PLATFORM_API bool RSGetIndString_ParamAdapter(GS::UniString* text, Int32 resId, Int32 index, GSResModule resModule);

namespace RS {

PLATFORM_API void ResModuleClosed(GSResModule resModule);

}  // namespace RS
