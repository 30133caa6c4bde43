#include "RS.hpp"

#include <map>

#include "ModuleFiles.hpp"
#include "ResourceImage.hpp"
#include "Win32.hpp"

namespace {

struct OpenModules {
    std::map<GSResModule, RS::ResourceImage> images;
    GSResModule nextId = 1;
};

OpenModules& Modules()
{
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static OpenModules& modules = *new OpenModules;
    return modules;
}

const RS::ResourceImage* FindImage(GSResModule resModule)
{
    const auto& images = Modules().images;
    const auto found = images.find(resModule);
    return found != images.end() ? &found->second : nullptr;
}

}  // namespace

GSResModule RSInitModuleImageCache(GSResModule resModule)
{
    const std::string path = Platform::ModuleFilePath(reinterpret_cast<HINSTANCE>(resModule));
    if (path.empty())
        return InvalidResModule;
    return RS::OpenModuleFile(path);
}

void RSRemoveModuleImageCache(GSResModule resModule)
{
    Modules().images.erase(resModule);
}

bool RSGetIndString_ParamAdapter(const char* /*file*/, UInt32 /*line*/, GS::UniString* text, GSResID resId, Int32 index,
                                 GSResModule resModule, ResStringType /*stringType*/)
{
    std::vector<GS::UniString> texts;
    if (text == nullptr || index < 1 || !RS::GetStringList(resModule, resId, &texts) ||
        static_cast<std::size_t>(index) > texts.size())
        return false;
    *text = texts[static_cast<std::size_t>(index) - 1];
    return true;
}

namespace RS {

void ResModuleClosed(GSResModule resModule)
{
    Modules().images.erase(resModule);
}

GSResModule OpenModuleFile(const std::string& path)
{
    std::string section;
    ResourceImage image;
    if (!ReadResourceSection(path, &section) || !ResourceImage::Decode(section.data(), section.size(), &image))
        return InvalidResModule;
    OpenModules& modules = Modules();
    const GSResModule id = modules.nextId++;
    modules.images.emplace(id, std::move(image));
    return id;
}

bool IsOpen(GSResModule resModule)
{
    return FindImage(resModule) != nullptr;
}

bool GetStringList(GSResModule resModule, Int32 resId, std::vector<GS::UniString>* texts)
{
    const ResourceImage* image = FindImage(resModule);
    if (image == nullptr || texts == nullptr)
        return false;
    const auto found = image->stringLists.find(resId);
    if (found == image->stringLists.end())
        return false;
    *texts = found->second;
    return true;
}

bool GetDialog(GSResModule resModule, Int32 resId, DialogResource* dialog)
{
    const ResourceImage* image = FindImage(resModule);
    if (image == nullptr || dialog == nullptr)
        return false;
    const auto found = image->dialogs.find(resId);
    if (found == image->dialogs.end())
        return false;
    *dialog = found->second;
    return true;
}

bool GetModuleIdentifier(GSResModule resModule, Int32 resId, UInt32* developerId, UInt32* localId)
{
    const ResourceImage* image = FindImage(resModule);
    if (image == nullptr || developerId == nullptr || localId == nullptr)
        return false;
    const auto found = image->moduleIdentifiers.find(resId);
    if (found == image->moduleIdentifiers.end())
        return false;
    *developerId = found->second.first;
    *localId = found->second.second;
    return true;
}

bool GetIcon(GSResModule resModule, const std::string& name, std::string* png)
{
    const ResourceImage* image = FindImage(resModule);
    if (image == nullptr || png == nullptr)
        return false;
    const auto found = image->icons.find(name);
    if (found == image->icons.end())
        return false;
    *png = found->second;
    return true;
}

bool GetIconGroup(GSResModule resModule, Int32 resId, std::vector<std::pair<Int32, std::string>>* images)
{
    const ResourceImage* image = FindImage(resModule);
    if (image == nullptr || images == nullptr)
        return false;
    const auto found = image->iconGroups.find(resId);
    if (found == image->iconGroups.end())
        return false;
    *images = found->second;
    return true;
}

}  // namespace RS
