#pragma once

// A saved project keeps its own folders (embedded library, temporary folder) beside its file, as
// "<stem>-files/", so that what it refers to outlives the run that made it.

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim {

// "<folder of the file>/<stem>-files", absolute.
std::filesystem::path FoldersBeside(const std::string& savedFile);

// The project file as it is to be loaded when it will be saved with its folders in `folders`: the
// embedded library's texture files the surfaces refer to are copied there (the originals stay) and
// the references, the library's path and the temporary folder point there. A file that is missing
// keeps its reference; one that cannot be copied throws Error naming it. Members of a kind this does not expect are left for the project's loader to
// judge; nothing is thrown for them.
nlohmann::json MoveFoldersInto(nlohmann::json project, const std::filesystem::path& folders);

// Writes the project file to `path` in one step, with its texture files already
// in the folders beside it; then removes the texture files there that only the replaced file used.
// When the file cannot be written the old one stays whole, and the texture files there that only the
// new one would have used are removed. Throws Error naming what failed.
void SaveProjectFile(const std::string& path, const nlohmann::json& project, int indent = 2);

// One line per texture file a surface of the project refers to that cannot be read.
std::vector<std::string> MissingLibraryFiles(const nlohmann::json& project);

}  // namespace sim
