#include "SavedFolders.hpp"

#include "APIDefs.hpp"

namespace sim {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const json* TextureFile(const json& surface)
{
    if (!surface.is_object())
        return nullptr;
    auto texture = surface.find("texture");
    if (texture == surface.end() || !texture->is_object())
        return nullptr;
    auto file = texture->find("file");
    return file != texture->end() && file->is_string() && !file->get<std::string>().empty() ? &*file : nullptr;
}

// `path` below `folder`, as a relative path; empty when it is not inside it.
fs::path Inside(const fs::path& path, const fs::path& folder)
{
    const fs::path relative = fs::absolute(path).lexically_normal().lexically_relative(fs::absolute(folder).lexically_normal());
    if (relative.empty() || relative == "." || *relative.begin() == "..")
        return {};
    return relative;
}

}  // namespace

fs::path FoldersBeside(const std::string& savedFile)
{
    const fs::path file = fs::absolute(savedFile).lexically_normal();
    return file.parent_path() / (file.stem().string() + "-files");
}

json MoveFoldersInto(json project, const fs::path& folders)
{
    if (!project.is_object())
        return project;
    const fs::path library = folders / "EmbeddedLibrary";

    if (auto special = project.find("specialFolders"); special != project.end() && special->is_object() &&
                                                        special->contains("7"))
        (*special)["7"] = (folders / "Temp").string();

    auto libraries = project.find("libraries");
    if (libraries == project.end() || !libraries->is_array())
        return project;
    json* embedded = nullptr;
    for (json& entry : *libraries)
        if (entry.is_object() && entry.value("kind", json()) == API_EmbeddedLibrary && entry.value("path", json()).is_string()) {
            embedded = &entry;
            break;
        }
    if (embedded == nullptr)
        return project;
    const fs::path from = (*embedded)["path"].get<std::string>();
    (*embedded)["path"] = library.string();
    if (from.empty() || fs::absolute(from).lexically_normal() == fs::absolute(library).lexically_normal())
        return project;

    auto surfaces = project.find("surfaces");
    if (surfaces == project.end() || !surfaces->is_array())
        return project;
    for (json& surface : *surfaces) {
        const json* file = TextureFile(surface);
        if (file == nullptr)
            continue;
        const fs::path source = file->get<std::string>();
        const fs::path relative = Inside(source, from);
        std::error_code error;
        if (relative.empty() || !fs::is_regular_file(source, error))
            continue;
        const fs::path target = library / relative;
        fs::create_directories(target.parent_path(), error);
        if (error)
            continue;
        const bool same = fs::exists(target, error) && fs::equivalent(source, target, error);
        if (!same && !fs::copy_file(source, target, fs::copy_options::overwrite_existing, error))
            continue;
        if (!error)
            surface["texture"]["file"] = target.string();
    }
    return project;
}

std::vector<std::string> MissingLibraryFiles(const json& project)
{
    std::vector<std::string> missing;
    if (!project.is_object() || !project.contains("surfaces") || !project["surfaces"].is_array())
        return missing;
    for (const json& surface : project["surfaces"]) {
        const json* file = TextureFile(surface);
        std::error_code error;
        if (file == nullptr || fs::is_regular_file(file->get<std::string>(), error))
            continue;
        std::string name = surface.value("name", json()).is_string() ? surface["name"].get<std::string>() : "";
        missing.push_back("the texture file " + file->get<std::string>() + " of surface \"" + name +
                          "\" is missing; the surface shows no texture");
    }
    return missing;
}

}  // namespace sim
