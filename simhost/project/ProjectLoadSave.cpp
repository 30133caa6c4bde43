// The project file: the project as JSON, loaded and saved member by member.

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "host/Encoding.hpp"
#include "host/Error.hpp"
#include "host/JsonIntegers.hpp"
#include "host/JsonNesting.hpp"
#include "project/Project.hpp"

namespace sim {

namespace {

using nlohmann::json;

const std::map<std::string, Int32> AttributeMembers = {
    {"layers", API_LayerID}, {"lineTypes", API_LinetypeID}, {"surfaces", API_MaterialID},
    {"buildingMaterials", API_BuildingMaterialID}};

const std::vector<std::string> KnownMembers = {
    "untitled", "projectFile", "specialFolders", "geoLocation", "site", "originOffset", "layers", "lineTypes",
    "surfaces", "buildingMaterials", "pens", "stories", "worksheets", "currentView", "openWindows", "autotexts",
    "libraries", "elements", "undoSteps", "redoSteps", "faults", "missing", "defaults", "floorPlanId"};

bool IsGuidText(const std::string& text)
{
    return !GS::Guid(text.c_str()).IsNull();
}

template <std::size_t N>
std::array<double, N> Numbers(const json& value, const char* what)
{
    if (!value.is_array() || value.size() != N) {
        throw Error(std::string(what) + " must be an array of " + std::to_string(N) + " numbers");
    }
    std::array<double, N> numbers{};
    for (std::size_t i = 0; i < N; ++i) {
        numbers[i] = value[i].get<double>();
    }
    return numbers;
}

// A fraction or an integer beyond T's range is refused: converting it would be undefined. Files
// written by hand may say 2.0 for 2, which always loaded, so whole floats still do.
template <class T>
T Integer(const json& value, const std::string& what)
{
    constexpr double ExactLimit = 9007199254740992.0;  // 2^53
    const bool whole = value.is_number_float() && std::trunc(value.get<double>()) == value.get<double>() &&
                       std::fabs(value.get<double>()) < ExactLimit;
    const std::optional<T> number =
        IntegerFitting<T>(whole ? json(static_cast<std::int64_t>(value.get<double>())) : value);
    if (!number) {
        throw Error(what + " must be an integer from " + std::to_string(std::numeric_limits<T>::min()) + " to " +
                    std::to_string(std::numeric_limits<T>::max()) + ", not " +
                    value.dump(-1, ' ', false, json::error_handler_t::replace));
    }
    return *number;
}

template <class T>
T IntegerMember(const json& item, const char* member)
{
    return Integer<T>(item.at(member), std::string("\"") + member + "\"");
}

template <class T>
T IntegerMemberOr(const json& item, const char* member, T otherwise)
{
    return item.contains(member) ? IntegerMember<T>(item, member) : otherwise;
}

Fault LoadFault(const json& value)
{
    Fault fault;
    if (value.is_number()) {
        fault.code = static_cast<GSErrCode>(Integer<Int64>(value, "a fault's code"));
        return fault;
    }
    fault.code = static_cast<GSErrCode>(IntegerMember<Int64>(value, "code"));
    if (value.contains("calls")) {
        for (const json& call : value["calls"]) fault.calls.push_back(Integer<int>(call, "a fault's call"));
    }
    fault.throws = value.value("throws", std::string());
    if (!fault.throws.empty() && fault.throws != "gs" && fault.throws != "std" && fault.throws != "other") {
        throw Error("fault \"throws\" must be \"gs\", \"std\" or \"other\"");
    }
    return fault;
}

json SaveFault(const Fault& fault)
{
    if (fault.calls.empty() && fault.throws.empty()) {
        return fault.code;
    }
    json value = {{"code", fault.code}};
    if (!fault.calls.empty()) {
        value["calls"] = fault.calls;
    }
    if (!fault.throws.empty()) {
        value["throws"] = fault.throws;
    }
    return value;
}

bool SamePlan(const FaultPlan& left, const FaultPlan& right)
{
    return std::equal(left.faults.begin(), left.faults.end(), right.faults.begin(), right.faults.end(),
                      [](const auto& a, const auto& b) {
                          return a.first == b.first && a.second.code == b.second.code &&
                                 a.second.calls == b.second.calls && a.second.throws == b.second.throws;
                      });
}

Element ReadElement(const json& item)
{
    Element element;
    element.guid = item.at("guid").get<std::string>();
    element.type = item.at("type").get<std::string>();
    element.view = item.value("view", std::string("plan"));
    element.layer = IntegerMemberOr<Int32>(item, "layer", 1);
    element.story = IntegerMemberOr<Int16>(item, "story", 0);
    element.data = item;
    for (const char* common : {"guid", "type", "view", "layer", "story"}) {
        element.data.erase(common);
    }
    if (!IsGuidText(element.guid)) {
        throw Error("elements: \"" + element.guid + "\" is not a GUID");
    }
    return element;
}

json WriteElement(const Element& element)
{
    json item = element.data;
    for (const Coordinates& list : element.coordinates) {
        json::array_t points;
        points.reserve(list.values.size() / list.width);
        for (std::size_t i = 0; i + list.width <= list.values.size(); i += list.width) {
            points.emplace_back(json::array_t(list.values.begin() + static_cast<std::ptrdiff_t>(i),
                                              list.values.begin() + static_cast<std::ptrdiff_t>(i + list.width)));
        }
        item[list.member] = std::move(points);
    }
    if (element.picture.bytes != nullptr)
        item["data"] = EncodeBase64(element.picture.View());
    item["guid"] = element.guid;
    item["type"] = element.type;
    item["view"] = element.view;
    item["layer"] = element.layer;
    item["story"] = element.story;
    return item;
}

Attribute ReadAttribute(const json& item)
{
    Attribute attribute;
    attribute.index = IntegerMember<Int32>(item, "index");
    attribute.name = item.at("name").get<std::string>();
    attribute.extra = item;
    attribute.extra.erase("index");
    attribute.extra.erase("name");
    return attribute;
}

json WriteAttribute(const Attribute& attribute)
{
    json item = attribute.extra;
    item["index"] = attribute.index;
    item["name"] = attribute.name;
    return item;
}

json WriteGeo(const GeoState& geo)
{
    return {{"surveyPoint", geo.surveyPoint}, {"geoReference", geo.geoReference}, {"crs", geo.crs},
            {"longitude", geo.longitude},     {"latitude", geo.latitude},         {"altitude", geo.altitude},
            {"north", geo.north}};
}

GeoState ReadGeo(const json& value)
{
    GeoState geo;
    geo.surveyPoint = Numbers<3>(value.at("surveyPoint"), "surveyPoint");
    geo.geoReference = Numbers<6>(value.at("geoReference"), "geoReference");
    geo.crs = value.at("crs").get<std::array<std::string, 6>>();
    geo.longitude = value.at("longitude").get<double>();
    geo.latitude = value.at("latitude").get<double>();
    geo.altitude = value.at("altitude").get<double>();
    geo.north = value.at("north").get<double>();
    return geo;
}

// One change of an undo step. A made thing carries its place in its list and, while the step is
// undone, the thing itself.
json WriteChange(const Change& change)
{
    json item;
    std::visit(
        [&item](const auto& made) {
            using Kind = std::decay_t<decltype(made)>;
            if constexpr (std::is_same_v<Kind, ElementMade>) {
                item = {{"kind", "element"}, {"guid", made.guid}, {"position", made.position}};
                if (made.held) item["held"] = WriteElement(*made.held);
            } else if constexpr (std::is_same_v<Kind, AttributeMade>) {
                item = {{"kind", "attribute"}, {"type", made.typeID}, {"index", made.index}, {"position", made.position}};
                if (made.held) item["held"] = WriteAttribute(*made.held);
            } else if constexpr (std::is_same_v<Kind, WorksheetMade>) {
                item = {{"kind", "worksheet"}, {"id", made.id}, {"position", made.position}};
                if (made.held) item["held"] = {{"id", made.held->id}, {"name", made.held->name}, {"ref", made.held->ref}};
            } else if constexpr (std::is_same_v<Kind, AutoTextMade>) {
                item = {{"kind", "autotext"}, {"key", made.key}, {"position", made.position}};
                if (made.held) item["held"] = {{"name", made.held->name}, {"key", made.held->key}, {"value", made.held->value}};
            } else if constexpr (std::is_same_v<Kind, AutoTextSet>) {
                item = {{"kind", "autotextValue"}, {"key", made.key}, {"before", made.before}, {"after", made.after}};
            } else {
                item = {{"kind", "geoLocation"}, {"before", WriteGeo(made.before)}, {"after", WriteGeo(made.after)}};
            }
        },
        change);
    return item;
}

Change ReadChange(const json& item)
{
    const std::string kind = item.at("kind").get<std::string>();
    const bool held = item.contains("held");
    if (kind == "element") {
        ElementMade made{item.at("guid").get<std::string>(), IntegerMember<std::size_t>(item, "position"), std::nullopt};
        if (held) {
            made.held = ReadElement(item["held"]);
            if (made.held->guid != made.guid) throw Error("undo steps: a held element is not the one the step made");
        }
        return made;
    }
    if (kind == "attribute") {
        AttributeMade made{IntegerMember<Int32>(item, "type"), IntegerMember<Int32>(item, "index"),
                           IntegerMember<std::size_t>(item, "position"), std::nullopt};
        const bool known = std::any_of(AttributeMembers.begin(), AttributeMembers.end(),
                                       [&made](const auto& member) { return member.second == made.typeID; });
        if (!known) throw Error("undo steps: attribute type " + std::to_string(made.typeID) + " is not one a project keeps");
        if (held) {
            made.held = ReadAttribute(item["held"]);
            if (made.held->index != made.index) throw Error("undo steps: a held attribute is not the one the step made");
        }
        return made;
    }
    if (kind == "worksheet") {
        WorksheetMade made{item.at("id").get<std::string>(), IntegerMember<std::size_t>(item, "position"), std::nullopt};
        if (held) {
            const json& sheet = item["held"];
            made.held = Worksheet{sheet.at("id").get<std::string>(), sheet.value("name", std::string()),
                                  sheet.value("ref", std::string())};
            if (made.held->id != made.id) throw Error("undo steps: a held worksheet is not the one the step made");
        }
        return made;
    }
    if (kind == "autotext") {
        AutoTextMade made{item.at("key").get<std::string>(), IntegerMember<std::size_t>(item, "position"), std::nullopt};
        if (held) {
            const json& text = item["held"];
            made.held = AutoText{text.at("name").get<std::string>(), text.at("key").get<std::string>(),
                                 text.value("value", std::string())};
            if (made.held->key != made.key) throw Error("undo steps: a held autotext is not the one the step made");
        }
        return made;
    }
    if (kind == "autotextValue") {
        return AutoTextSet{item.at("key").get<std::string>(), item.at("before").get<std::string>(),
                           item.at("after").get<std::string>()};
    }
    if (kind == "geoLocation") {
        return GeoLocationSet{ReadGeo(item.at("before")), ReadGeo(item.at("after"))};
    }
    throw Error("undo steps: \"" + kind + "\" is not a kind of change");
}

json WriteSteps(const std::vector<UndoStep>& steps)
{
    json list = json::array();
    for (const UndoStep& step : steps) {
        json changes = json::array();
        for (const Change& change : step.changes) {
            changes.push_back(WriteChange(change));
        }
        list.push_back({{"name", step.name}, {"elements", step.elements}, {"changes", std::move(changes)}});
    }
    return list;
}

}  // namespace

void Project::Load(const json& file)
{
    if (!file.is_object()) {
        throw Error("the project file is not a JSON object");
    }
    RefuseDeepNesting(file, "project file");
    ResetToNew();
    try {
        LoadMembers(file);
    } catch (const json::exception& exception) {
        ResetToNew();
        throw Error(std::string("project file: ") + exception.what());
    } catch (...) {
        ResetToNew();
        throw;
    }
}

void Project::LoadMembers(const json& file)
{
    untitled = file.value("untitled", true);
    projectFile = file.value("projectFile", std::string());
    if (file.contains("specialFolders")) {
        specialFolders = file["specialFolders"].get<std::map<std::string, std::string>>();
        foldersFromFile = true;
    }
    if (file.contains("geoLocation")) {
        const json& geo = file["geoLocation"];
        if (geo.contains("surveyPoint")) model.surveyPoint = Numbers<3>(geo["surveyPoint"], "surveyPoint");
        if (geo.contains("geoReference")) model.geoReference = Numbers<6>(geo["geoReference"], "geoReference");
        if (geo.contains("crs")) model.crs = geo["crs"].get<std::array<std::string, 6>>();
    }
    if (file.contains("site")) {
        const json& site = file["site"];
        model.longitude = site.value("longitude", 0.0);
        model.latitude = site.value("latitude", 0.0);
        model.altitude = site.value("altitude", 0.0);
        model.north = site.value("north", 0.0);
    }
    if (file.contains("originOffset")) model.originOffset = Numbers<2>(file["originOffset"], "originOffset");

    for (const auto& [member, typeID] : AttributeMembers) {
        if (!file.contains(member)) {
            continue;
        }
        std::vector<Attribute> list;
        for (const json& item : file[member]) {
            Attribute attribute = ReadAttribute(item);
            const bool taken = std::any_of(list.begin(), list.end(), [&attribute](const Attribute& other) {
                return other.index == attribute.index;
            });
            if (taken || attribute.index < 1) {
                throw Error(member + ": index " + std::to_string(attribute.index) + " is used twice or below 1");
            }
            list.push_back(std::move(attribute));
        }
        model.attributes[typeID] = std::move(list);
    }

    if (file.contains("pens")) {
        pens.clear();
        for (const json& item : file["pens"]) {
            pens.push_back(Pen{IntegerMember<Int16>(item, "index"), Numbers<3>(item.at("rgb"), "pen rgb")});
        }
    }
    if (file.contains("stories")) {
        const json& list = file["stories"];
        stories.clear();
        for (const json& item : list.at("list")) {
            stories.push_back(Story{IntegerMember<Int16>(item, "index"), item.at("name").get<std::string>()});
        }
        currentStory = IntegerMemberOr<Int16>(list, "current", 0);
        lastStory = IntegerMemberOr<Int16>(list, "last", currentStory);
        if (!HasStory(currentStory)) {
            throw Error("stories: the current story is not in the list");
        }
    }
    if (file.contains("worksheets")) {
        for (const json& item : file["worksheets"]) {
            Worksheet worksheet{item.at("id").get<std::string>(), item.value("name", std::string()),
                                item.value("ref", std::string())};
            if (!IsGuidText(worksheet.id)) {
                throw Error("worksheets: \"" + worksheet.id + "\" is not a GUID");
            }
            model.worksheets.push_back(std::move(worksheet));
        }
    }
    if (file.contains("openWindows")) openWindows = file["openWindows"].get<std::vector<std::string>>();
    if (file.contains("currentView")) {
        currentViewKind = file["currentView"].value("kind", std::string("plan"));
        currentViewId = file["currentView"].value("id", std::string());
        if (currentViewKind != "plan" && currentViewKind != "worksheet") {
            throw Error("currentView: kind must be \"plan\" or \"worksheet\"");
        }
    }
    if (file.contains("autotexts")) {
        for (const json& item : file["autotexts"]) {
            model.autotexts.push_back(AutoText{item.at("name").get<std::string>(), item.at("key").get<std::string>(),
                                               item.value("value", std::string())});
        }
    }
    if (file.contains("libraries")) {
        libraries.clear();
        for (const json& item : file["libraries"]) {
            libraries.push_back(Library{IntegerMember<Int32>(item, "kind"), item.at("path").get<std::string>()});
        }
        librariesFromFile = true;
    }
    if (file.contains("elements")) {
        for (const json& item : file["elements"]) {
            model.elements.push_back(ReadElement(item));
        }
    }
    if (file.contains("undoSteps")) {
        // A step written with only the elements it made (as files once were) undoes just those.
        std::map<std::string, std::size_t> positions;
        for (std::size_t i = 0; i < model.elements.size(); ++i) {
            positions.emplace(model.elements[i].guid, i);
        }
        for (const json& item : file["undoSteps"]) {
            UndoStep step;
            step.name = item.at("name").get<std::string>();
            step.elements = item.value("elements", std::vector<std::string>());
            if (item.contains("changes")) {
                for (const json& change : item["changes"]) {
                    step.changes.push_back(ReadChange(change));
                }
            } else {
                for (const std::string& guid : step.elements) {
                    const auto found = positions.find(guid);
                    step.changes.push_back(ElementMade{
                        guid, found != positions.end() ? found->second : model.elements.size(), std::nullopt});
                }
            }
            undoSteps.push_back(std::move(step));
        }
    }
    if (file.contains("redoSteps")) {
        for (const json& item : file["redoSteps"]) {
            UndoStep step;
            step.name = item.at("name").get<std::string>();
            step.elements = item.value("elements", std::vector<std::string>());
            for (const json& change : item.at("changes")) {
                step.changes.push_back(ReadChange(change));
                // What these steps would bring back keeps its index, as after the undo that made them.
                if (const auto* made = std::get_if<AttributeMade>(&step.changes.back()); made != nullptr && made->held) {
                    Int32& highest = heldAttributeIndex[made->typeID];
                    highest = std::max(highest, made->index);
                }
            }
            redoSteps.push_back(std::move(step));
        }
    }
    if (file.contains("faults")) {
        for (const auto& [name, value] : file["faults"].items()) {
            faultPlan.faults[name] = LoadFault(value);
        }
    }
    if (file.contains("missing")) faultPlan.missing = file["missing"].get<std::set<std::string>>();
    faultsAsRead = file.value("faults", json::object());
    missingAsRead = file.value("missing", json::array());
    planAsRead = faultPlan;
    if (file.contains("defaults")) {
        // Checked here so that taking the defaults later cannot fail.
        const json& given = file["defaults"];
        if (!given.is_object()) throw Error("defaults must be a JSON object");
        IntegerMemberOr<Int32>(given, "layer", 1);
        IntegerMemberOr<Int16>(given, "pen", 1);
        for (const char* number : {"textSize", "meshLevel"}) {
            if (given.contains(number) && !given[number].is_number())
                throw Error(std::string("defaults: \"") + number + "\" must be a number");
        }
        for (const char* flag : {"meshChaining", "meshOption"}) {
            if (given.contains(flag) && !given[flag].is_boolean())
                throw Error(std::string("defaults: \"") + flag + "\" must be true or false");
        }
        defaults = given;
    }
    if (file.contains("floorPlanId")) floorPlanId = file["floorPlanId"].get<std::string>();
    ForgetMissingWindows();

    for (const auto& [name, value] : file.items()) {
        if (std::find(KnownMembers.begin(), KnownMembers.end(), name) == KnownMembers.end()) {
            extraMembers[name] = value;
        }
    }
}

json Project::Save() const
{
    json file = extraMembers;
    file["untitled"] = untitled;
    file["projectFile"] = projectFile;
    file["specialFolders"] = specialFolders;
    file["geoLocation"] = {{"surveyPoint", model.surveyPoint},
                           {"geoReference", model.geoReference},
                           {"crs", model.crs}};
    file["site"] = {{"longitude", model.longitude},
                    {"latitude", model.latitude},
                    {"altitude", model.altitude},
                    {"north", model.north}};
    file["originOffset"] = model.originOffset;
    for (const auto& [member, typeID] : AttributeMembers) {
        json list = json::array();
        const auto kind = model.attributes.find(typeID);
        if (kind != model.attributes.end()) {
            for (const Attribute& attribute : kind->second) {
                list.push_back(WriteAttribute(attribute));
            }
        }
        file[member] = std::move(list);
    }
    json penList = json::array();
    for (const Pen& pen : pens) {
        penList.push_back({{"index", pen.index}, {"rgb", pen.rgb}});
    }
    file["pens"] = std::move(penList);
    json storyList = json::array();
    for (const Story& story : stories) {
        storyList.push_back({{"index", story.index}, {"name", story.name}});
    }
    file["stories"] = {{"current", currentStory}, {"last", lastStory}, {"list", std::move(storyList)}};
    json worksheets = json::array();
    for (const Worksheet& worksheet : model.worksheets) {
        worksheets.push_back({{"id", worksheet.id}, {"name", worksheet.name}, {"ref", worksheet.ref}});
    }
    file["worksheets"] = std::move(worksheets);
    file["currentView"] = {{"kind", currentViewKind}, {"id", currentViewId}};
    file["openWindows"] = openWindows;
    json autotexts = json::array();
    for (const AutoText& autotext : model.autotexts) {
        autotexts.push_back({{"name", autotext.name}, {"key", autotext.key}, {"value", autotext.value}});
    }
    file["autotexts"] = std::move(autotexts);
    json libraryList = json::array();
    for (const Library& library : libraries) {
        libraryList.push_back({{"kind", library.kind}, {"path", library.path}});
    }
    file["libraries"] = std::move(libraryList);
    json elements = json::array();
    for (const Element& element : model.elements) {
        elements.push_back(WriteElement(element));
    }
    file["elements"] = std::move(elements);
    file["undoSteps"] = WriteSteps(undoSteps);
    if (!redoSteps.empty()) {
        file["redoSteps"] = WriteSteps(redoSteps);
    }
    json faults = json::object();
    for (const auto& [name, fault] : faultPlan.faults) {
        faults[name] = SaveFault(fault);
    }
    file["faults"] = SamePlan(faultPlan, planAsRead) && !faultsAsRead.is_null() ? faultsAsRead : faults;
    file["missing"] = faultPlan.missing == planAsRead.missing && !missingAsRead.is_null() ? missingAsRead
                                                                                          : json(faultPlan.missing);
    if (!defaults.empty()) {
        file["defaults"] = defaults;
    }
    file["floorPlanId"] = floorPlanId;
    return file;
}

}  // namespace sim
