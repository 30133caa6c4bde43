#include "project/SavedFolders.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "ACAPinc.h"
#include "host/AtomicFile.hpp"
#include "host/Error.hpp"

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

bool SameBytes(const fs::path& a, const fs::path& b)
{
    std::ifstream left(a, std::ios::binary), right(b, std::ios::binary);
    return left && right && std::equal(std::istreambuf_iterator<char>(left), std::istreambuf_iterator<char>(),
                                       std::istreambuf_iterator<char>(right), std::istreambuf_iterator<char>());
}

// The texture files a project file refers to, as absolute paths.
std::set<fs::path> TextureFiles(const json& project)
{
    std::set<fs::path> files;
    if (!project.is_object() || !project.contains("surfaces") || !project["surfaces"].is_array())
        return files;
    for (const json& surface : project["surfaces"])
        if (const json* file = TextureFile(surface))
            files.insert(fs::absolute(file->get<std::string>()).lexically_normal());
    return files;
}

// The project file now at `path`, or null when there is none that reads as JSON.
json CurrentFile(const fs::path& path)
{
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return nullptr;
    std::ifstream in(path, std::ios::binary);
    return json::parse(in, nullptr, false);
}

// Removes the files of `files` that lie in `folders` and are not in `kept`.
void RemoveInside(const std::set<fs::path>& files, const std::set<fs::path>& kept, const fs::path& folders)
{
    for (const fs::path& file : files) {
        std::error_code error;
        if (!kept.contains(file) && !Inside(file, folders).empty())
            fs::remove(file, error);
    }
}

}  // namespace

void SaveProjectFile(const std::string& path, const json& project, int indent)
{
    const fs::path folders = FoldersBeside(path);
    const std::set<fs::path> before = TextureFiles(CurrentFile(path));
    const std::set<fs::path> after = TextureFiles(project);
    try {
        WriteFileAtomically(path, project.dump(indent) + "\n");
    } catch (const Error&) {
        // The old file stays as it was, with its own texture files; the new ones go.
        RemoveInside(after, before, folders);
        throw;
    }
    RemoveInside(before, after, folders);
}

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
        fs::path target = library / relative;
        // A file of that name there may belong to the project file being replaced: it is not overwritten.
        for (int n = 2; fs::exists(target, error) && !fs::equivalent(source, target, error) && !SameBytes(source, target); ++n)
            target = library / relative.parent_path() / (relative.stem().string() + "-" + std::to_string(n) + relative.extension().string());
        fs::create_directories(target.parent_path(), error);
        if (error)
            continue;
        const bool same = fs::exists(target, error) && fs::equivalent(source, target, error);
        if (!same)
            CopyFileAtomically(source, target);
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
