#pragma once

// The host's reading of a module's resources: a host reads an add-on's menu, palette and icons so.

#include <string>
#include <utility>
#include <vector>

#include "RS.hpp"

namespace RS {

// Opens the resources of a module file without loading it (a host reads an add-on's menu and icons so).
PLATFORM_API GSResModule OpenModuleFile(const std::string& path);
PLATFORM_API bool IsOpen(GSResModule resModule);

struct DialogItem {
    Int16 id = 0;
    std::string type;  // "Browser", ...
    Int32 x = 0, y = 0, width = 0, height = 0;
    std::string helpName;
};

struct DialogResource {
    Int16 id = 0;
    std::string kind;  // "Palette", ...
    GS::UniString title;
    std::string helpName;
    Int32 width = 0, height = 0;
    std::vector<std::string> frameOptions;
    std::vector<DialogItem> items;
};

PLATFORM_API bool GetStringList(GSResModule resModule, Int32 resId, std::vector<GS::UniString>* texts);
PLATFORM_API bool GetDialog(GSResModule resModule, Int32 resId, DialogResource* dialog);
PLATFORM_API bool GetModuleIdentifier(GSResModule resModule, Int32 resId, UInt32* developerId, UInt32* localId);
// An icon image (PNG bytes) by its resource name, such as "I10001&96" or "I10001&192&D".
PLATFORM_API bool GetIcon(GSResModule resModule, const std::string& name, std::string* png);
// The sizes of the module's file icon group `resId`, each with its PNG bytes.
PLATFORM_API bool GetIconGroup(GSResModule resModule, Int32 resId, std::vector<std::pair<Int32, std::string>>* images);

}  // namespace RS
