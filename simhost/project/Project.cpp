#include "project/Project.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace sim {

namespace {

// The floor plan's database identifier when a project file names none.
constexpr const char* DefaultFloorPlanId = "{6A1F0D3C-1B2E-4C5D-8E9F-0A1B2C3D4E5F}";

std::vector<Pen> DefaultPens()
{
    // A few pens a drawing uses daily, then a wheel of hues in three strengths.
    const std::array<std::array<double, 3>, 8> common = {{
        {0.0, 0.0, 0.0},  {1.0, 0.0, 0.0}, {0.0, 0.6, 0.0}, {0.0, 0.0, 1.0},
        {0.5, 0.5, 0.5},  {1.0, 0.5, 0.0}, {0.6, 0.3, 0.1}, {0.75, 0.75, 0.75},
    }};
    std::vector<Pen> pens;
    for (int index = 1; index <= 255; ++index) {
        Pen pen;
        pen.index = static_cast<Int16>(index);
        if (index <= static_cast<int>(common.size())) {
            pen.rgb = common[index - 1];
        } else {
            const double hue = std::fmod(index * 37.0, 360.0) / 60.0;
            const double value = 1.0 - 0.25 * (index % 3);
            const double x = value * (1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0));
            const int sector = static_cast<int>(hue);
            const std::array<std::array<double, 3>, 6> rgb = {{
                {value, x, 0}, {x, value, 0}, {0, value, x}, {0, x, value}, {x, 0, value}, {value, 0, x},
            }};
            pen.rgb = rgb[std::clamp(sector, 0, 5)];
        }
        pens.push_back(pen);
    }
    return pens;
}

Attribute MakeAttribute(Int32 index, const char* name, nlohmann::json extra = nlohmann::json::object())
{
    Attribute attribute;
    attribute.index = index;
    attribute.name = name;
    attribute.extra = std::move(extra);
    return attribute;
}

std::map<Int32, std::vector<Attribute>> DefaultAttributes()
{
    std::map<Int32, std::vector<Attribute>> attributes;
    attributes[API_LayerID] = {MakeAttribute(1, "Archicad layer"), MakeAttribute(2, "Site & Landscape - Terrain")};
    attributes[API_LinetypeID] = {MakeAttribute(1, "Solid Line"), MakeAttribute(2, "Dashed"),
                                  MakeAttribute(3, "Dotted")};
    attributes[API_MaterialID] = {
        MakeAttribute(1, "Paint - White", {{"rgb", {1.0, 1.0, 1.0}}}),
        MakeAttribute(2, "Grass", {{"rgb", {0.35, 0.55, 0.2}}}),
        MakeAttribute(3, "Concrete - Smooth", {{"rgb", {0.7, 0.7, 0.68}}}),
    };
    attributes[API_BuildingMaterialID] = {MakeAttribute(1, "Concrete - Structural"),
                                          MakeAttribute(2, "Earth - Soil")};
    return attributes;
}

}  // namespace

Project::Project()
{
    ResetToNew();
}

void Project::ResetToNew()
{
    model = Model();
    model.attributes = DefaultAttributes();
    untitled = true;
    projectFile.clear();
    foldersFromFile = false;
    librariesFromFile = false;
    SetDefaultFolders();
    pens = DefaultPens();
    currentStory = 0;
    lastStory = 0;
    stories = {Story{0, "Přízemí"}};
    floorPlanId = DefaultFloorPlanId;
    currentViewKind = "plan";
    currentViewId.clear();
    openWindows.clear();
    defaults = nlohmann::json::object();
    extraMembers = nlohmann::json::object();
    undoSteps.clear();
    redoSteps.clear();
    journal.clear();
    heldAttributeIndex.clear();
    faultPlan = FaultPlan();
    faultsAsRead = nullptr;
    missingAsRead = nullptr;
    planAsRead = FaultPlan();
}

void Project::SetDefaultFolders()
{
    const std::filesystem::path work(workFolder);
    if (!foldersFromFile) {
        specialFolders = {{"6", (work / "Documents").string()}, {"7", (work / "Temp").string()}};
    }
    if (!librariesFromFile) {
        libraries = {Library{API_EmbeddedLibrary, (work / "EmbeddedLibrary").string()}};
    }
}

void Project::SetWorkFolder(const std::string& folder)
{
    workFolder = folder;
    const std::filesystem::path work(folder);
    std::error_code error;
    for (const char* name : {"Documents", "Temp", "C", "EmbeddedLibrary"}) {
        std::filesystem::create_directories(work / name, error);
    }
    IO::SetDriveFolder('C', (work / "C").string());
    SetDefaultFolders();
}

const std::string& Project::WorkFolder() const
{
    return workFolder;
}

const Worksheet* Project::FindWorksheet(const API_Guid& id) const
{
    if (id == APINULLGuid) {
        return nullptr;
    }
    const std::string text = APIGuid2GSGuid(id).ToUniString().ToUtf8();
    for (const Worksheet& worksheet : model.worksheets) {
        if (worksheet.id == text) {
            return &worksheet;
        }
    }
    return nullptr;
}

const Attribute* Project::FindAttribute(Int32 typeID, Int32 index) const
{
    const auto kind = model.attributes.find(typeID);
    if (kind == model.attributes.end()) {
        return nullptr;
    }
    for (const Attribute& attribute : kind->second) {
        if (attribute.index == index) {
            return &attribute;
        }
    }
    return nullptr;
}

const Attribute* Project::FindAttribute(Int32 typeID, API_AttributeIndex index) const
{
    return FindAttribute(typeID, index.ToInt32_Deprecated());
}

const Attribute* Project::FindAttributeByName(Int32 typeID, const std::string& name) const
{
    const auto kind = model.attributes.find(typeID);
    if (kind == model.attributes.end()) {
        return nullptr;
    }
    for (const Attribute& attribute : kind->second) {
        if (attribute.name == name) {
            return &attribute;
        }
    }
    return nullptr;
}

bool Project::HasStory(Int16 index) const
{
    return std::any_of(stories.begin(), stories.end(), [index](const Story& story) { return story.index == index; });
}

bool Project::IsLibraryFolder(const std::string& path) const
{
    std::error_code error;
    const auto wanted = std::filesystem::weakly_canonical(path, error);
    if (error || path.empty()) {
        return false;
    }
    for (const Library& library : libraries) {
        const auto folder = std::filesystem::weakly_canonical(library.path, error);
        if (error || library.path.empty()) {
            continue;
        }
        const auto relative = wanted.lexically_relative(folder);
        if (!relative.empty() && *relative.begin() != "..") {
            return true;
        }
    }
    return false;
}

std::string Project::CurrentViewId() const
{
    return currentViewKind == "worksheet" ? currentViewId : std::string("plan");
}

void Project::ForgetMissingWindows()
{
    const auto exists = [this](const std::string& id) {
        return std::any_of(model.worksheets.begin(), model.worksheets.end(),
                           [&id](const Worksheet& worksheet) { return worksheet.id == id; });
    };
    std::erase_if(openWindows, [&exists](const std::string& id) { return !exists(id); });
    if (currentViewKind == "worksheet" && !exists(currentViewId)) {
        currentViewKind = "plan";
        currentViewId.clear();
    }
}

}  // namespace sim
