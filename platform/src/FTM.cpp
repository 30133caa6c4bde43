#include <map>
#include <vector>

#include "FileType.hpp"
#include "FileTypeManager.hpp"

namespace FTM {

namespace {

struct Registry {
    std::map<Int32, std::vector<std::pair<TypeID, FileType>>> groups;  // by group
    Int32 nextId = 1;
};

Registry& Types()
{
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static Registry& registry = *new Registry;
    return registry;
}

}  // namespace

const TypeID UnknownType;
const GroupID RootGroup(1);

FileType::FileType(const char* description, const char* fileExt, UInt32 creator, UInt32 macType, int iconID,
                   const void* /*callback*/, const char* /*mime*/, bool /*toLower*/)
    : description(description, CC_UTF8), extension(fileExt, CC_UTF8), macType(macType), macCreator(creator),
      iconId(iconID)
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
    const auto found = Types().groups.find(group.GetValue());
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
    const TypeID id(registry.nextId++);
    registry.groups[group.GetValue()].emplace_back(id, type);
    return id;
}

bool FileTypeManager::GetType(GeneralID id, FileType* type)
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
