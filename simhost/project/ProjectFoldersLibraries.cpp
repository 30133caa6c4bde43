// The project record, special folders and libraries.

#include <filesystem>
#include <memory>

#include "host/AtomicFile.hpp"
#include "host/Error.hpp"
#include "project/Project.hpp"

namespace sim {

namespace {

GS::UniString Text(const std::string& utf8)
{
    return GS::UniString(utf8.c_str(), CC_UTF8);
}

// The project file numbers the kinds 0 to 4, a server library 2; the host numbers that one 7.
API_LibraryTypeID LibraryType(Int32 fileKind)
{
    constexpr Int32 FileServerLibrary = 2;
    return fileKind == FileServerLibrary ? API_ServerLibrary : static_cast<API_LibraryTypeID>(fileKind);
}

}  // namespace

GSErrCode Project::GetProjectInfo(API_ProjectInfo* projectInfo)
{
    if (projectInfo == nullptr) {
        return APIERR_BADPARS;
    }
    // The record owns what it holds: a second call replaces the first call's answer.
    std::destroy_at(projectInfo);
    std::construct_at(projectInfo);
    projectInfo->untitled = untitled;
    projectInfo->teamwork = false;
    if (!untitled && !projectFile.empty()) {
        projectInfo->location = new IO::Location(Text(projectFile));
        projectInfo->projectPath = new GS::UniString(Text(projectFile));
        projectInfo->projectName = new GS::UniString(Text(std::filesystem::path(projectFile).stem().string()));
    }
    return NoError;
}

GSErrCode Project::GetSpecialFolder(API_SpecFolderID* folderID, IO::Location* location)
{
    if (folderID == nullptr || location == nullptr) {
        return APIERR_BADPARS;
    }
    const auto folder = specialFolders.find(std::to_string(*folderID));
    if ((*folderID != API_UserDocumentsFolderID && *folderID != API_TemporaryFolderID) ||
        folder == specialFolders.end() || folder->second.empty()) {
        return APIERR_BADPARS;
    }
    std::error_code error;
    std::filesystem::create_directories(folder->second, error);
    *location = IO::Location(Text(folder->second));
    return NoError;
}

GSErrCode Project::GetLibraries(GS::Array<API_LibraryInfo>* list)
{
    if (list == nullptr) {
        return APIERR_BADPARS;
    }
    list->Clear();
    for (const Library& library : libraries) {
        API_LibraryInfo info;
        info.location = IO::Location(Text(library.path));
        info.name = Text(std::filesystem::path(library.path).filename().string());
        info.libraryType = LibraryType(library.kind);
        info.readOnly = info.libraryType == API_BuiltInLibrary || info.libraryType == API_ServerLibrary;
        list->Push(info);
    }
    return NoError;
}

GSErrCode Project::CopyFilesIntoLibrary(const IO::Location& libraryFolder, const GS::Array<IO::Location>& files,
                                        bool overwrite)
{
    namespace fs = std::filesystem;
    const std::string folder = libraryFolder.ToFileSystemPath();
    if (folder.empty() || !IsLibraryFolder(folder)) {
        return APIERR_BADPARS;
    }
    // Everything is checked before the first copy, so a refusal copies nothing.
    std::vector<std::pair<fs::path, fs::path>> copies;
    std::error_code error;
    for (const IO::Location& file : files) {
        const fs::path source = file.ToFileSystemPath();
        if (source.empty() || !fs::is_regular_file(source, error)) {
            return APIERR_BADPARS;
        }
        const fs::path target = fs::path(folder) / source.filename();
        if (!overwrite && fs::exists(target, error)) {
            return APIERR_NAMEALREADYUSED;
        }
        copies.emplace_back(source, target);
    }
    fs::create_directories(folder, error);
    for (const auto& [source, target] : copies) {
        if (fs::equivalent(source, target, error)) {
            continue;
        }
        try {
            CopyFileAtomically(source, target);
        } catch (const Error&) {
            return APIERR_GENERAL;
        }
    }
    return NoError;
}

GSErrCode Project::ReloadLibraries()
{
    ++reloadCount;
    return NoError;
}

}  // namespace sim
