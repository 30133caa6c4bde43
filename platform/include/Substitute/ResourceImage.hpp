#pragma once

// The binary container that holds a module's resources inside its file, in a section of its own.
// The resource compiler writes it; RS reads it.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ResourceReading.hpp"

namespace RS {

constexpr const char* ResourceSectionName = ".gsresources";
constexpr UInt32 DefaultLanguage = 1033;

struct PLATFORM_API ResourceImage {
    UInt32 language = DefaultLanguage;
    std::map<Int32, std::vector<GS::UniString>> stringLists;
    std::map<Int32, DialogResource> dialogs;
    std::map<Int32, std::pair<UInt32, UInt32>> moduleIdentifiers;  // developer id, local id
    std::map<std::string, std::string> icons;                       // by name: PNG bytes
    std::map<Int32, std::vector<std::pair<Int32, std::string>>> iconGroups;  // size in pixels, PNG bytes

    std::string Encode() const;
    // False for anything that is not a whole, well-formed container.
    static bool Decode(const char* data, std::size_t size, ResourceImage* image);
};

// The bytes of the resource section of an ELF64 module file; false when the file has none.
PLATFORM_API bool ReadResourceSection(const std::string& path, std::string* bytes);

}  // namespace RS
