// Elements: defaults, creation of polylines, texts and pictures, and their memos.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "HostHandles.hpp"
#include "host/ElementMemo.hpp"
#include "project/Project.hpp"

namespace sim {

namespace {

using nlohmann::json;

template <std::size_t N>
bool TerminatedText(const char (&field)[N], std::string* text)
{
    const auto end = std::find(std::begin(field), std::end(field), '\0');
    if (end == std::end(field)) {
        return false;
    }
    *text = std::string(std::begin(field), end);
    return true;
}

bool TerminatedText(const GS::uchar_t (&field)[256], std::string* text)
{
    const auto end = std::find(std::begin(field), std::end(field), u'\0');
    if (end == std::end(field)) {
        return false;
    }
    *text = GS::UniString(field, static_cast<UInt32>(end - std::begin(field))).ToUtf8();
    return true;
}

GSErrCode ReadPolyLine(const API_PolyLineType& line, const API_ElementMemo& memo, Element* element)
{
    const Int32 n = line.poly.nCoords;
    if (n < 2 || line.poly.nSubPolys != 1 || line.poly.nArcs != 0 || !memo::Holds(memo.coords, n + 1) ||
        !memo::Holds(memo.pends, 2) || (*memo.pends)[0] != 0 || (*memo.pends)[1] != n) {
        return APIERR_BADPARS;
    }
    Coordinates coords{"coords", 2, {}};
    coords.values.reserve(static_cast<std::size_t>(n) * 2);
    for (Int32 i = 1; i <= n; ++i) {
        const API_Coord& c = (*memo.coords)[i];
        if (!memo::Finite({c.x, c.y})) {
            return APIERR_BADPARS;
        }
        coords.values.insert(coords.values.end(), {c.x, c.y});
    }
    element->data = {{"pen", line.linePen.penIndex}, {"lineType", line.ltypeInd.ToInt32_Deprecated()}};
    element->coordinates = {std::move(coords)};
    return NoError;
}

GSErrCode ReadText(const API_TextType& text, const API_ElementMemo& memo, int apiVersion, json* data)
{
    const std::optional<GS::UniString> content = memo::ReadText(memo, apiVersion);
    if (!content || !memo::Finite({text.loc.x, text.loc.y, text.size, text.angle}) || text.size <= 0.0 ||
        text.anchor < APIAnc_LT || text.anchor > APIAnc_RB) {
        return APIERR_BADPARS;
    }
    // The file numbers the anchors 1 (left top) to 9 (right bottom).
    const int anchorNumber = static_cast<int>(text.anchor) + 1;
    *data = {{"pen", text.pen},       {"text", content->ToUtf8()},           {"loc", {text.loc.x, text.loc.y}},
             {"size", text.size},     {"anchor", anchorNumber},              {"angle", text.angle},
             {"nonBreaking", text.nonBreaking}};
    return NoError;
}

GSErrCode ReadPicture(const API_PictureType& picture, const API_ElementMemo& memo, Element* element)
{
    const API_Box& box = picture.destBox;
    std::string name;
    std::string mime;
    if (memo.pictHdl == nullptr || BMGetHandleSize(memo.pictHdl) <= 0 ||
        (picture.storageFormat != APIPictForm_JPEG && picture.storageFormat != APIPictForm_PNG) ||
        !memo::Finite({box.xMin, box.yMin, box.xMax, box.yMax, picture.rotAngle}) ||
        !TerminatedText(picture.pictName, &name) || !TerminatedText(picture.mime, &mime)) {
        return APIERR_BADPARS;
    }
    const GSSize count = BMGetHandleSize(memo.pictHdl);
    element->data = {{"name", name},
                     {"mime", mime},
                     {"transparent", picture.transparent},
                     {"storageFormat", static_cast<int>(picture.storageFormat)},
                     {"colorDepth", static_cast<int>(picture.colorDepth)},
                     {"rect", {box.xMin, box.yMin, box.xMax, box.yMax}},
                     {"byteCount", count}};
    // The handle's own block, not a copy: the add-on disposes of its handle after the call.
    element->picture = {BMShareHandleBytes(memo.pictHdl), static_cast<std::size_t>(count)};
    return NoError;
}

// The points of an element, from its numbers or, for one read from a project file, from its JSON.
std::vector<double> CoordinatesOf(const Element& element, const std::string& member, std::size_t width)
{
    for (const Coordinates& list : element.coordinates) {
        if (list.member == member) {
            return list.values;
        }
    }
    std::vector<double> values;
    for (const json& point : element.data.at(member)) {
        for (std::size_t k = 0; k < width; ++k) {
            values.push_back(point.at(k).get<double>());
        }
    }
    return values;
}

const char* TypeName(Int32 typeID)
{
    switch (typeID) {
        case API_PolyLineID: return "polyline";
        case API_TextID: return "text";
        case API_PictureID: return "picture";
        case API_MeshID: return "mesh";
        default: return nullptr;
    }
}

}  // namespace

GSErrCode Project::GetElementDefaults(API_Element* element, API_ElementMemo* /*memo*/)
{
    if (element == nullptr || TypeName(element->header.type.typeID) == nullptr) {
        return APIERR_BADPARS;
    }
    const API_ElemType type = element->header.type;
    const auto first = [this](Int32 typeID) {
        const auto kind = model.attributes.find(typeID);
        return ACAPI_CreateAttributeIndex(
            kind == model.attributes.end() || kind->second.empty() ? 0 : kind->second.front().index);
    };
    *element = API_Element{};
    element->header.type = type;
    element->header.floorInd = currentStory;
    const Int32 layer = FindAttribute(API_LayerID, 1) != nullptr ? 1 : first(API_LayerID).ToInt32_Deprecated();
    element->header.layer = ACAPI_CreateAttributeIndex(defaults.value("layer", layer));
    const Int16 pen = defaults.value("pen", Int16(1));
    switch (type.typeID) {
        case API_PolyLineID:
            element->polyLine.linePen.penIndex = pen;
            element->polyLine.ltypeInd = first(API_LinetypeID);
            break;
        case API_TextID:
            element->text.pen = pen;
            element->text.size = defaults.value("textSize", 2.5);
            element->text.anchor = APIAnc_LT;
            break;
        case API_PictureID:
            element->picture.colorDepth = APIColorDepth_TC24;
            break;
        default:
            element->mesh.level = defaults.value("meshLevel", 0.0);
            element->mesh.materialsChained = defaults.value("meshChaining", true);
            element->mesh.option = defaults.value("meshOption", true);
            element->mesh.buildingMaterial = first(API_BuildingMaterialID);
            break;
    }
    return NoError;
}

GSErrCode Project::CreateElement(API_Element* element, API_ElementMemo* memo)
{
    if (element == nullptr || memo == nullptr) {
        return APIERR_BADPARS;
    }
    const char* type = TypeName(element->header.type.typeID);
    if (type == nullptr) {
        return APIERR_BADPARS;
    }
    const std::string view = CurrentViewId();
    if (FindAttribute(API_LayerID, element->header.layer) == nullptr ||
        (view == "plan" && !HasStory(element->header.floorInd))) {
        return APIERR_BADINDEX;
    }
    Element created;
    GSErrCode error = NoError;
    switch (element->header.type.typeID) {
        case API_PolyLineID: error = ReadPolyLine(element->polyLine, *memo, &created); break;
        case API_TextID: error = ReadText(element->text, *memo, moduleApiVersion, &created.data); break;
        case API_PictureID: error = ReadPicture(element->picture, *memo, &created); break;
        default: error = ReadMesh(element->mesh, *memo, &created); break;
    }
    if (error != NoError) {
        return error;
    }
    GS::Guid guid;
    guid.Generate();
    created.guid = guid.ToUniString().ToUtf8();
    created.type = type;
    created.view = view;
    created.layer = element->header.layer.ToInt32_Deprecated();
    created.story = element->header.floorInd;
    Record(ElementMade{created.guid, model.elements.size(), std::nullopt});
    model.elements.push_back(std::move(created));
    element->header.guid = GSGuid2APIGuid(guid);
    return NoError;
}

GSErrCode Project::GetElementMemo(const API_Guid& guid, API_ElementMemo* memo, UInt64 mask)
{
    if (memo == nullptr) {
        return APIERR_BADPARS;
    }
    const std::string text = APIGuid2GSGuid(guid).ToUniString().ToUtf8();
    const auto element = std::find_if(model.elements.begin(), model.elements.end(),
                                      [&text](const Element& candidate) { return candidate.guid == text; });
    if (guid == APINULLGuid || element == model.elements.end()) {
        return APIERR_BADID;
    }
    *memo = API_ElementMemo{};
    const json& data = element->data;
    if ((mask & APIMemoMask_Polygon) != 0 && (element->type == "polyline" || element->type == "mesh")) {
        const bool mesh = element->type == "mesh";
        const std::vector<double> points = CoordinatesOf(*element, mesh ? "polygon" : "coords", mesh ? 3 : 2);
        const std::size_t width = mesh ? 3 : 2;
        const Int32 n = static_cast<Int32>(points.size() / width);
        memo->coords = memo::Allocate<API_Coord>(n + 1);
        memo->pends = memo::Allocate<Int32>(2);
        if (element->type == "mesh") {
            memo->meshPolyZ = memo::Allocate<double>(n + 1);
        }
        if (memo->coords == nullptr || memo->pends == nullptr || (element->type == "mesh" && !memo->meshPolyZ)) {
            DisposeElementMemo(memo);
            return APIERR_MEMFULL;
        }
        for (Int32 i = 0; i < n; ++i) {
            const double* point = &points[static_cast<std::size_t>(i) * width];
            (*memo->coords)[i + 1] = {point[0], point[1]};
            if (memo->meshPolyZ != nullptr) {
                (*memo->meshPolyZ)[i + 1] = point[2];
            }
        }
        (*memo->pends)[1] = n;
    }
    const std::string content = element->type == "text" ? data.value("text", std::string()) : std::string();
    if (mask != APIMemoMask_Polygon && element->type == "text" &&
        !memo::PutText(*memo, moduleApiVersion,
                       GS::UniString(content.data(), static_cast<UInt32>(content.size()), CC_UTF8))) {
        DisposeElementMemo(memo);
        return APIERR_MEMFULL;
    }
    return NoError;
}

GSErrCode Project::DisposeElementMemo(API_ElementMemo* memo)
{
    if (memo == nullptr) {
        return APIERR_BADPARS;
    }
    BMKillHandle(reinterpret_cast<GSHandle*>(&memo->coords));
    BMKillHandle(reinterpret_cast<GSHandle*>(&memo->pends));
    BMKillHandle(reinterpret_cast<GSHandle*>(&memo->meshPolyZ));
    BMKillHandle(reinterpret_cast<GSHandle*>(&memo->meshLevelCoords));
    BMKillHandle(reinterpret_cast<GSHandle*>(&memo->meshLevelEnds));
    BMKillHandle(&memo->pictHdl);
    memo::FreeText(*memo, moduleApiVersion);
    *memo = API_ElementMemo{};
    return NoError;
}

}  // namespace sim
