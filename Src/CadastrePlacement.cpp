#include "CadastrePlacement.hpp"

#include <cmath>
#include <limits>

#include "APIMigration.hpp"
#include "Bridge.hpp"
#include "HostInterface.hpp"
#include "MemoRelease.hpp"

namespace {

// An element of a type with the host's defaults, on the layer and, when one is given, the story.
GSErrCode DefaultElement(API_ElemTypeID type, API_AttributeIndex layer, Int16 story, API_Element& element)
{
    element.header.type.typeID = type;
    const GSErrCode defaults = Host::GetElementDefaults(&element, nullptr);
    if (defaults != NoError)
        return defaults;
    element.header.layer = layer;
    if (story > DefaultStory)
        element.header.floorInd = story;
    return NoError;
}

template <typename T>
T** AllocateCleared(std::size_t count)
{
    if (count > static_cast<std::size_t>(std::numeric_limits<GSSize>::max()) / sizeof(T))
        return nullptr;
    return reinterpret_cast<T**>(BMAllocateHandle(static_cast<GSSize>(count * sizeof(T)), ALLOCATE_CLEAR, 0));
}

std::pair<double, double> ReadPair(const JSRef& item)
{
    const JSArgs pair = ArgumentList(item);
    return {NumberArgument(pair, 0), NumberArgument(pair, 1)};
}

std::vector<std::pair<double, double>> ReadPolyline(const JSRef& item)
{
    const JSArgs vertices = ArgumentList(item);
    std::vector<std::pair<double, double>> polyline;
    polyline.reserve(ArgumentCount(vertices));
    for (const JSRef& vertex : vertices)
        polyline.push_back(ReadPair(vertex));
    return polyline;
}

CadText ReadText(const JSRef& item)
{
    const JSArgs fields = ArgumentList(item);
    CadText text;
    text.x = NumberArgument(fields, 0);
    text.y = NumberArgument(fields, 1);
    text.size = NumberArgument(fields, 2);
    text.text = StringArgument(fields, 3);
    return text;
}

CadLayer ReadLayer(const JSRef& item)
{
    const JSArgs fields = ArgumentList(item);
    CadLayer layer;
    layer.layerName = StringArgument(fields, 0);
    layer.pen = NumberToInt16(NumberArgument(fields, 1));
    layer.lineTypeName = StringArgument(fields, 2);
    layer.kind = StringArgument(fields, 3);
    if (ArgumentCount(fields) <= 4)
        return layer;

    const JSArgs items = ArgumentList(fields[4]);
    for (const JSRef& entry : items) {
        if (layer.kind == "lines")
            layer.lines.push_back(ReadPolyline(entry));
        else if (layer.kind == "texts")
            layer.texts.push_back(ReadText(entry));
        else if (layer.kind == "points")
            layer.points.push_back(ReadPair(entry));
        else
            break;
    }
    return layer;
}

void AppendInputProbe(const std::vector<CadLayer>& layers, GS::UniString& diagnostics)
{
    for (const CadLayer& layer : layers) {
        if (layer.kind != "lines" || layer.lines.empty() || layer.lines.front().empty())
            continue;
        const std::pair<double, double>& first = layer.lines.front().front();
        diagnostics.Append(GS::UniString::Printf("vstup1=(%.3f, %.3f) ", first.first, first.second));
        return;
    }
}

void AppendGeoLocation(GS::UniString& diagnostics)
{
    API_GeoLocation geo{};
    if (Host::GetGeoLocation(&geo) != NoError)
        return;
    diagnostics.Append(GS::UniString::Printf("spp=(%.2f, %.2f) georef=(%.2f, %.2f) sever=%.2f° ", geo.surveyPointPosition.x,
                                             geo.surveyPointPosition.y, geo.geoReferenceData.eastings,
                                             geo.geoReferenceData.northings, geo.placeInfo.north * 180.0 / 3.14159265358979));
}

void AppendStoredFirstVertex(const API_Guid& guid, GS::UniString& diagnostics)
{
    API_ElementMemo memo{};
    MemoRelease release(memo);
    if (Host::GetElementMemo(guid, &memo, APIMemoMask_Polygon) != NoError)
        return;
    if (memo.coords != nullptr && BMGetHandleSize(reinterpret_cast<GSConstHandle>(memo.coords)) >=
                                      static_cast<GSSize>(2 * sizeof(API_Coord))) {
        const API_Coord& first = (*memo.coords)[1];
        diagnostics.Append(GS::UniString::Printf("ulozeno1=(%.3f, %.3f) ", first.x, first.y));
    }
}

}  // namespace

namespace Placement {

GSErrCode CreatePolyline(const std::vector<std::pair<double, double>>& vertices, API_AttributeIndex layer, Int16 pen,
                         const API_AttributeIndex* lineType, Int16 story, const API_Coord& offset, API_Guid* guid)
{
    if (vertices.size() < 2)
        return NoError;
    if (vertices.size() >= static_cast<std::size_t>(std::numeric_limits<Int32>::max()))
        return APIERR_MEMFULL;
    const Int32 count = static_cast<Int32>(vertices.size());

    API_Element element{};
    API_ElementMemo memo{};
    MemoRelease release(memo);
    const GSErrCode defaults = DefaultElement(API_PolyLineID, layer, story, element);
    if (defaults != NoError)
        return defaults;
    if (pen > 0)
        element.polyLine.linePen.penIndex = pen;
    if (lineType != nullptr)
        element.polyLine.ltypeInd = *lineType;
    element.polyLine.poly.nCoords = count;
    element.polyLine.poly.nSubPolys = 1;

    memo.coords = AllocateCleared<API_Coord>(vertices.size() + 1);
    memo.pends = AllocateCleared<Int32>(2);
    if (memo.coords == nullptr || memo.pends == nullptr)
        return APIERR_MEMFULL;
    for (Int32 i = 0; i < count; ++i) {
        (*memo.coords)[i + 1].x = vertices[i].first - offset.x;
        (*memo.coords)[i + 1].y = vertices[i].second - offset.y;
    }
    (*memo.pends)[0] = 0;
    (*memo.pends)[1] = count;

    const GSErrCode result = Host::CreateElement(&element, &memo);
    if (result == NoError && guid != nullptr)
        *guid = element.header.guid;
    return result;
}

GSErrCode CreateText(const CadText& text, API_AttributeIndex layer, Int16 pen, Int16 story, const API_Coord& offset)
{
    API_Element element{};
    API_ElementMemo memo{};
    MemoRelease release(memo);
    const GSErrCode defaults = DefaultElement(API_TextID, layer, story, element);
    if (defaults != NoError)
        return defaults;
    if (pen > 0)
        element.text.pen = pen;
    element.text.loc.x = text.x - offset.x;
    element.text.loc.y = text.y - offset.y;
    if (text.size > 0.0)
        element.text.size = text.size;
    element.text.anchor = APIAnc_LM;
    element.text.angle = 0.0;
    element.text.nonBreaking = true;
    if (!Migration::PutMemoText(memo, text.text))
        return APIERR_MEMFULL;

    return Host::CreateElement(&element, &memo);
}

GSErrCode PlaceCadastre(const std::vector<CadLayer>& layers, const PlaceTarget& target, GS::UniString& diagnostics)
{
    if (layers.empty()) {
        diagnostics.Append("zadne vrstvy ");
        return NoError;
    }

    AppendInputProbe(layers, diagnostics);
    AppendGeoLocation(diagnostics);

    int createdCount = 0;
    int ensFail = 0;
    API_Guid firstPolyline{};
    const Int16 story = target.floorPlan ? target.storyIndex : DefaultStory;

    const auto body = [&](const API_Coord& offset) -> GSErrCode {
        for (const CadLayer& layer : layers) {
            API_AttributeIndex layerIndex = APIInvalidAttributeIndex;
            if (!EnsureLayer(layer.layerName, layerIndex)) {
                ++ensFail;
                continue;
            }
            API_AttributeIndex lineType = APIInvalidAttributeIndex;
            const bool hasLineType = FindAttributeByName(API_LinetypeID, layer.lineTypeName, lineType);

            if (layer.kind == "lines") {
                for (const auto& polyline : layer.lines) {
                    API_Guid* guidPlace = firstPolyline == APINULLGuid ? &firstPolyline : nullptr;
                    if (CreatePolyline(polyline, layerIndex, layer.pen, hasLineType ? &lineType : nullptr, story,
                                       offset, guidPlace) == NoError)
                        ++createdCount;
                }
            } else if (layer.kind == "texts") {
                for (const CadText& text : layer.texts) {
                    if (CreateText(text, layerIndex, layer.pen, story, offset) == NoError)
                        ++createdCount;
                }
            }
        }
        if (firstPolyline != APINULLGuid)
            AppendStoredFirstVertex(firstPolyline, diagnostics);
        return NoError;
    };

    const GSErrCode result = RunInTarget(target, "Vložit katastr", body, diagnostics);
    diagnostics.Append(GS::UniString::Printf("vytvoreno=%d ensFail=%d", createdCount, ensFail));
    return result;
}

}  // namespace Placement

namespace Bridge {

JSRef PlaceCadastre(JSRef parameter)
{
    const JSArgs args = ArgumentList(parameter);
    PlaceTarget target;
    target.floorPlan = StringArgument(args, 0) == "plan";
    target.worksheetName = StringArgument(args, 1);
    target.worksheetRef = StringArgument(args, 2);
    target.storyIndex = NumberToInt16(NumberArgument(args, 3));

    std::vector<CadLayer> layers;
    if (ArgumentCount(args) > 4) {
        for (const JSRef& layer : ArgumentList(args[4]))
            layers.push_back(ReadLayer(layer));
    }

    return GuardedTextReply([layers = std::move(layers), target = std::move(target)]() {
        GS::UniString diagnostics;
        const GSErrCode status = Placement::PlaceCadastre(layers, target, diagnostics);
        return PlacementReply(status, diagnostics);
    });
}

}  // namespace Bridge
