#pragma once

// Resource strings and other resources of a module, read from the module's own image.

#include "GSRoot.hpp"

enum ResStringType { RST_Localised };

// Opens the resources of a loaded module, named by its load address; InvalidResModule when it has
// none.
PLATFORM_API GSResModule RSInitModuleImageCache(GSResModule resModule);
PLATFORM_API void RSRemoveModuleImageCache(GSResModule resModule);

// Item `index` (from 1) of string list `resId`; false when there is no such item.
PLATFORM_API bool RSGetIndString_ParamAdapter(const char* file, UInt32 line, GS::UniString* text, GSResID resId,
                                              Int32 index, GSResModule resModule,
                                              ResStringType stringType = RST_Localised);

#define RSGetIndString(...) RSGetIndString_ParamAdapter(__FILE__, __LINE__, __VA_ARGS__)

namespace RS {

PLATFORM_API void ResModuleClosed(GSResModule resModule);

}  // namespace RS
