#include "Project.hpp"

namespace sim {

Project::Project() {}

void Project::SetWorkFolder(const std::string& folder)
{
    workFolder = folder;
}

const std::string& Project::WorkFolder() const
{
    return workFolder;
}

void Project::Load(const nlohmann::json&) {}

nlohmann::json Project::Save() const
{
    return nlohmann::json::object();
}

int Project::Undo(int)
{
    return 0;
}

int Project::Redo(int)
{
    return 0;
}

bool Model::operator==(const Model&) const
{
    return false;
}

}  // namespace sim
