#include <filesystem>
#include <stdexcept>

#include "export/Exports.hpp"
#include "host/AtomicFile.hpp"
#include "host/Error.hpp"
#include "project/SavedFolders.hpp"

namespace sim {

namespace {

void CreateFolder(const std::filesystem::path& folder)
{
    if (folder.empty())
        return;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw Error(folder.string() + ": cannot create the folder (" + error.message() + ")");
}

}  // namespace

ExportPlan ExportPlan::AllIn(const std::string& folder)
{
    ExportPlan plan;
    plan.projectFile = (std::filesystem::path(folder) / "project.json").string();
    plan.viewsFolder = folder;
    plan.modelFolder = folder;
    return plan;
}

ExportsWritten WriteExports(const nlohmann::json& project, const ExportPlan& plan)
{
    ExportsWritten written;
    // Every folder first: a folder that cannot be made stops the exports before any is written.
    CreateFolder(plan.viewsFolder);
    CreateFolder(plan.modelFolder);
    if (!plan.projectFile.empty())
        CreateFolder(std::filesystem::path(plan.projectFile).parent_path());
    try {
        if (!plan.projectFile.empty()) {
            if (plan.projectSaved)
                SaveProjectFile(plan.projectFile, project, plan.projectIndent);
            else
                WriteFileAtomically(plan.projectFile, project.dump(plan.projectIndent) + "\n");
            written.files.push_back(plan.projectFile);
        }
        if (!plan.viewsFolder.empty()) {
            written.views = WriteViewSvgs(project, plan.viewsFolder, &written.warnings);
            written.files.insert(written.files.end(), written.views.begin(), written.views.end());
        }
        if (!plan.modelFolder.empty()) {
            written.model = WriteGltfModel(project, plan.modelFolder, &written.warnings);
            if (!written.model.empty())
                written.files.push_back(written.model);
        }
    } catch (const Error&) {
        throw;
    } catch (const std::runtime_error& failure) {  // the writers' own
        throw Error(failure.what());
    }
    return written;
}

}  // namespace sim
