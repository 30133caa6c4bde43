#pragma once

#include <string>

#include "FileType.hpp"
#include "GSRoot.hpp"

namespace FTM {

// Keeps the file types known to the host, application-wide; the identifier names the owner.
class PLATFORM_API FileTypeManager {
public:
    explicit FileTypeManager(const char* identifier);
    ~FileTypeManager();

    static TypeID SearchForType(const FileType& type, GroupID group = RootGroup);
    TypeID AddType(const FileType& type, GroupID group = RootGroup);
    // Host side: the type behind an identifier.
    static bool GetType(GeneralID id, FileType* type);

private:
    std::string identifier;
};

}  // namespace FTM
