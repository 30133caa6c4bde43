#pragma once

// The simulator's in-memory project database: what a host keeps of an open project, every host
// operation that reads or changes it, and its project file (JSON).

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "ACAPinc.h"
#include "HostApiVersions.hpp"
#include "host/Faults.hpp"
#include "host/OperationOwners.hpp"

namespace sim {

struct Attribute {
    Int32 index = 0;  // the number of the host's API_AttributeIndex
    std::string name;
    nlohmann::json extra = nlohmann::json::object();  // every other member, kept as read (texture, colour, ...)

    bool operator==(const Attribute&) const = default;
};

struct Pen {
    Int16 index = 0;
    std::array<double, 3> rgb{};
};

struct Story {
    Int16 index = 0;
    std::string name;
};

struct Worksheet {
    std::string id;  // GUID text with braces
    std::string name;
    std::string ref;

    bool operator==(const Worksheet&) const = default;
};

struct AutoText {
    std::string name;
    std::string key;
    std::string value;

    bool operator==(const AutoText&) const = default;
};

struct Library {
    Int32 kind = API_EmbeddedLibrary;
    std::string path;
};

// The points of an element the project made, kept as plain numbers rather than JSON; the project
// file writes each point as an array of `width` numbers under `member`.
struct Coordinates {
    std::string member;  // "coords", "polygon" or "levelPoints"
    std::size_t width = 2;
    std::vector<double> values;

    bool operator==(const Coordinates&) const = default;
};

// A picture's bytes as the add-on handed them over: the block of its handle itself, held once,
// shared by the undo steps that hold the element, and turned into the file's Base64 "data" only
// when the project is saved.
struct PictureBytes {
    std::shared_ptr<const char> bytes;
    std::size_t size = 0;

    std::string_view View() const { return {bytes.get(), size}; }
    bool operator==(const PictureBytes& other) const
    {
        return bytes == other.bytes ? size == other.size
                                    : bytes != nullptr && other.bytes != nullptr && View() == other.View();
    }
};

// One element as the project file holds it: the common members, and the rest by type.
struct Element {
    std::string guid;  // text form with braces
    std::string type;  // "polyline", "text", "picture" or "mesh"
    std::string view;  // "plan" or a worksheet id
    Int32 layer = 1;  // an attribute index's number
    Int16 story = 0;
    nlohmann::json data = nlohmann::json::object();  // pen, coords, text, rect, polygon, ...
    std::vector<Coordinates> coordinates;              // of an element made here; not repeated in `data`
    PictureBytes picture;                              // of a picture made here; not repeated in `data`

    bool operator==(const Element&) const = default;
};

// Everything an undoable command may change; the current view and open windows are not part of it.
struct Model {
    std::array<double, 3> surveyPoint{};
    std::array<double, 6> geoReference{};
    std::array<std::string, 6> crs;  // name, description, geodetic datum, vertical datum, projection, zone
    double longitude = 0, latitude = 0, altitude = 0, north = 0;
    std::array<double, 2> originOffset{};
    std::map<Int32, std::vector<Attribute>> attributes;  // by API_AttrTypeID, in file order
    std::vector<Worksheet> worksheets;
    std::vector<Element> elements;
    std::vector<AutoText> autotexts;

    bool operator==(const Model&) const = default;
};

// The geo-location and the site, as one command may change them.
struct GeoState {
    std::array<double, 3> surveyPoint{};
    std::array<double, 6> geoReference{};
    std::array<std::string, 6> crs;
    double longitude = 0, latitude = 0, altitude = 0, north = 0;

    bool operator==(const GeoState&) const = default;
};

// What an undoable command changed, each kept so that undo and redo apply exactly that. A thing the
// command made carries where it stood in its list and, while the step is undone, the thing itself.
struct ElementMade {
    std::string guid;
    std::size_t position = 0;
    std::optional<Element> held;
};

struct AttributeMade {
    Int32 typeID = 0;
    Int32 index = 0;
    std::size_t position = 0;
    std::optional<Attribute> held;
};

struct WorksheetMade {
    std::string id;
    std::size_t position = 0;
    std::optional<Worksheet> held;
};

struct AutoTextMade {
    std::string key;
    std::size_t position = 0;
    std::optional<AutoText> held;
};

struct AutoTextSet {
    std::string key;
    std::string before;
    std::string after;
};

struct GeoLocationSet {
    GeoState before;
    GeoState after;
};

using Change = std::variant<ElementMade, AttributeMade, WorksheetMade, AutoTextMade, AutoTextSet, GeoLocationSet>;

struct UndoStep {
    std::string name;
    std::vector<std::string> elements;  // guids of the elements the command created, as the project file lists them
    std::vector<Change> changes;        // in the order the command made them
};

class Project {
public:
    Project();

    // The folder the simulator owns: special folders, the embedded library and drive C: live in it.
    void SetWorkFolder(const std::string& folder);
    const std::string& WorkFolder() const;

    // The host API version of the module that hands over and takes element memos: it decides the
    // memo's layout (host/HostFeatures.hpp). The newest until the simulator names its module's.
    void SetModuleApiVersion(int apiVersion) { moduleApiVersion = apiVersion; }

    // Throws sim::Error for a project file that cannot be read; missing members take a new project's values.
    void Load(const nlohmann::json& projectFile);
    nlohmann::json Save() const;

    int Undo(int steps);  // steps actually undone
    int Redo(int steps);

    // The host operations the project carries out (host/OperationOwners.hpp).
#define SIM_PROJECT_OPERATION(name, params, args) SIM_DECLARE_OWNED_OPERATION(project, name, params)
    API_HOST_OPERATIONS(SIM_PROJECT_OPERATION)
#undef SIM_PROJECT_OPERATION

    // What tests and exporters read directly.
    const Model& GetModel() const { return model; }
    const std::vector<UndoStep>& UndoSteps() const { return undoSteps; }
    const std::vector<UndoStep>& RedoSteps() const { return redoSteps; }
    int RebuildCount() const { return rebuildCount; }
    int ReloadCount() const { return reloadCount; }
    bool InCommand() const { return inCommand; }

    FaultPlan faultPlan;

private:
    void ResetToNew();
    void SetDefaultFolders();
    const Worksheet* FindWorksheet(const API_Guid& id) const;
    const Attribute* FindAttribute(Int32 typeID, Int32 index) const;
    const Attribute* FindAttribute(Int32 typeID, API_AttributeIndex index) const;
    const Attribute* FindAttributeByName(Int32 typeID, const std::string& name) const;
    bool HasStory(Int16 index) const;
    GeoState Geo() const;
    void PutGeo(const GeoState& geo);
    // Inside a command every change of the model is written down, so the step can be undone and redone.
    void Record(Change change);
    void RecordGeo(const GeoState& before);
    void TakeBack(Change& change);
    void PutBack(Change& change);
    void RollBackCommand();
    bool IsLibraryFolder(const std::string& path) const;
    std::string CurrentViewId() const;  // "plan" or the worksheet id
    void ForgetMissingWindows();  // after the model went back: no view on a worksheet that is gone
    void LoadMembers(const nlohmann::json& file);
    GSErrCode ReadMesh(const API_MeshType& mesh, const API_ElementMemo& memo, Element* element) const;

    std::string workFolder;
    int moduleApiVersion = landfetch::DefaultHostApiVersion;
    Model model;

    // Project-level state outside the model.
    bool untitled = true;
    std::string projectFile;
    std::map<std::string, std::string> specialFolders;  // "6", "7"
    bool foldersFromFile = false;
    std::vector<Library> libraries;
    bool librariesFromFile = false;
    std::vector<Pen> pens;
    Int16 currentStory = 0;
    Int16 lastStory = 0;
    std::vector<Story> stories;
    std::string floorPlanId;
    std::string currentViewKind = "plan";  // "plan" or "worksheet"
    std::string currentViewId;
    std::vector<std::string> openWindows;  // worksheet ids
    nlohmann::json defaults = nlohmann::json::object();  // element default overrides, e.g. "meshLevel"
    nlohmann::json extraMembers = nlohmann::json::object();  // members of a project file this class does not know
    // The fault members as a project file wrote them, saved back in that form while the plan is unchanged.
    nlohmann::json faultsAsRead;
    nlohmann::json missingAsRead;
    FaultPlan planAsRead;

    std::vector<UndoStep> undoSteps;
    std::vector<UndoStep> redoSteps;
    std::vector<Change> journal;  // what the running command changed so far
    // The highest attribute index, by kind, that a step which can be redone would bring back; an
    // attribute made outside a command meanwhile must not take it.
    std::map<Int32, Int32> heldAttributeIndex;
    bool inCommand = false;
    int rebuildCount = 0;
    int reloadCount = 0;
};

}  // namespace sim
