#include <map>
#include <vector>

#include "FileType.hpp"
#include "FileTypeManager.hpp"

namespace FTM {

namespace {

struct Registry {
    std::map<GroupID, std::vector<std::pair<TypeID, FileType>>> groups;
    TypeID nextId = 1;
};

Registry& Types()
{
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static Registry& registry = *new Registry;
    return registry;
}

}  // namespace

FileType::FileType(const char* description, const char* extension, UInt32 macType, UInt32 macCreator, Int32 iconId,
                   const void* /*contentDetector*/, const char* /*moreTypes*/, bool /*last*/)
    : description(description, CC_UTF8), extension(extension, CC_UTF8), macType(macType), macCreator(macCreator),
      iconId(iconId)
{
}

bool FileType::operator==(const FileType& other) const
{
    return description == other.description && extension == other.extension;
}

FileTypeManager::FileTypeManager(const char* identifier) : identifier(identifier != nullptr ? identifier : "") {}

FileTypeManager::~FileTypeManager() = default;

TypeID FileTypeManager::SearchForType(const FileType& type, GroupID group)
{
    const auto found = Types().groups.find(group);
    if (found == Types().groups.end())
        return UnknownType;
    for (const auto& [id, known] : found->second) {
        if (known == type)
            return id;
    }
    return UnknownType;
}

TypeID FileTypeManager::AddType(const FileType& type, GroupID group)
{
    Registry& registry = Types();
    const TypeID id = registry.nextId++;
    registry.groups[group].emplace_back(id, type);
    return id;
}

bool FileTypeManager::GetType(TypeID id, FileType* type)
{
    for (const auto& [group, types] : Types().groups) {
        for (const auto& [knownId, known] : types) {
            if (knownId == id) {
                if (type != nullptr)
                    *type = known;
                return true;
            }
        }
    }
    return false;
}

}  // namespace FTM
