// GetAttributes: what the project already holds, as one JSON text built by concatenation.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "AttributeCatalogue.hpp"

#include "Bridge.hpp"
#include "HostInterface.hpp"
#include "TextUnits.hpp"

namespace {

constexpr Int32 StoryEntrySize = 544;
constexpr UInt32 MaxPens = 255;
constexpr UInt32 NameCapacity = 256;

// Host name buffers are fixed-size; a name that fills its buffer has no terminator.
GS::UniString BoundedName(const GS::uchar_t* text, UInt32 capacity)
{
    UInt32 length = 0;
    while (length < capacity && text[length] != 0)
        ++length;
    return GS::UniString(text, length);
}

UInt32 ColorByte(double component)
{
    const double scaled = component * 255.0 + 0.5;
    // A component outside 0..1 from the host would print a third hex digit and break the colour.
    if (!(scaled >= 0.0))
        return 0;
    if (scaled >= 255.0)
        return 255;
    return static_cast<UInt32>(scaled);
}

GS::UniString WorksheetsArray()
{
    GS::UniString result("[");
    GS::Array<API_DatabaseUnId> ids;
    if (Host::GetWorksheetDatabaseIds(&ids, nullptr) == NoError) {
        bool first = true;
        for (const API_DatabaseUnId& id : ids) {
            API_DatabaseInfo database{};
            database.typeID = APIWind_WorksheetID;
            database.databaseUnId = id;
            if (Host::GetDatabaseInfo(&database, nullptr) != NoError)
                continue;
            if (!first)
                result += ",";
            first = false;
            result += "[\"";
            result += JsonEscape(BoundedName(database.ref, NameCapacity));
            result += "\",\"";
            result += JsonEscape(BoundedName(database.name, NameCapacity));
            result += "\"]";
        }
    }
    result += "]";
    return result;
}

GS::UniString StoriesArray(Int16& currentStory)
{
    GS::UniString result("[");
    currentStory = 0;
    API_StoryInfo storyInfo{};
    if (Host::GetStorySettings(&storyInfo, 0) == NoError) {
        currentStory = storyInfo.actStory;
        GSHandle handle = reinterpret_cast<GSHandle>(storyInfo.data);
        if (handle != nullptr) {
            const Int32 count = BMGetHandleSize(handle) / StoryEntrySize;
            const API_StoryType* entries = *storyInfo.data;
            bool first = true;
            for (Int32 i = 0; i < count; ++i) {
                const API_StoryType& entry = entries[i];
                if (entry.index > storyInfo.lastStory)
                    continue;
                if (!first)
                    result += ",";
                first = false;
                result += GS::UniString::Printf("[%d,\"", static_cast<int>(entry.index));
                result += JsonEscape(BoundedName(entry.uName, NameCapacity));
                result += "\"]";
            }
            BMKillHandle(&handle);
        }
    }
    result += "]";
    return result;
}

double ProjectAltitude()
{
    API_PlaceInfo site{};
    if (Host::GetSiteLocation(&site) != NoError)
        return 0.0;
    // "nan" or "inf" would not be a JSON number.
    return std::isfinite(site.altitude) ? site.altitude : 0.0;
}

GS::UniString PensArray()
{
    UInt32 count = 0;
    Host::GetPenCount(&count);
    if (count == 0 || count > MaxPens)
        count = MaxPens;
    GS::UniString result("[");
    for (UInt32 i = 1; i <= count; ++i) {
        if (i > 1)
            result += ",";
        API_Pen pen{};
        pen.index = static_cast<Int16>(i);
        if (Host::GetPen(&pen) == NoError) {
            result += GS::UniString::Printf("\"#%02x%02x%02x\"", ColorByte(pen.rgb.f_red),
                                            ColorByte(pen.rgb.f_green), ColorByte(pen.rgb.f_blue));
        } else {
            result += "\"#cccccc\"";
        }
    }
    result += "]";
    return result;
}

}  // namespace

GS::UniString JsonEscape(const GS::UniString& text)
{
    const std::u16string_view units = TextUnits(text);
    std::u16string escaped;
    escaped.reserve(units.size());
    for (char16_t unit : units) {
        if (unit == u'"' || unit == u'\\')
            escaped += u'\\';
        else if (unit < 0x20)
            continue;
        escaped += unit;
    }
    return GS::UniString(std::move(escaped));
}

namespace Placement {

GS::UniString AttrNamesJsonArray(API_AttrTypeID typeID, bool byIndex)
{
    // The host's indices have no order of their own: sorting goes by their numbers.
    std::vector<std::pair<Int32, GS::UniString>> entries;
    Host::EnumerateAttributes(typeID, [&entries](API_Attribute& attribute) {
        const API_Attr_Head& head = attribute.header;
        GS::UniString name;
        if (head.uniStringNamePtr != nullptr)
            name = *head.uniStringNamePtr;
        else
            name = GS::UniString(head.name, static_cast<UInt32>(strnlen(head.name, sizeof head.name)), CC_UTF8);
        entries.emplace_back(head.index.ToInt32_Deprecated(), std::move(name));
    });
    if (byIndex) {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& left, const auto& right) { return left.first < right.first; });
    }
    GS::UniString result("[");
    bool first = true;
    for (const auto& entry : entries) {
        if (!first)
            result += ",";
        first = false;
        result += "\"";
        result += JsonEscape(entry.second);
        result += "\"";
    }
    result += "]";
    return result;
}

}  // namespace Placement

GS::UniString BuildAttributeCatalogue()
{
    const GS::UniString worksheets = WorksheetsArray();
    Int16 currentStory = 0;
    const GS::UniString stories = StoriesArray(currentStory);
    const double altitude = ProjectAltitude();
    const GS::UniString pens = PensArray();

    GS::UniString reply("{\"layers\":");
    reply += Placement::AttrNamesJsonArray(API_LayerID, false);
    reply += ",\"lineTypes\":";
    reply += Placement::AttrNamesJsonArray(API_LinetypeID, true);
    reply += ",\"surfaces\":";
    reply += Placement::AttrNamesJsonArray(API_MaterialID, false);
    reply += ",\"buildMats\":";
    reply += Placement::AttrNamesJsonArray(API_BuildingMaterialID, false);
    reply += ",\"pens\":";
    reply += pens;
    reply += ",\"worksheets\":";
    reply += worksheets;
    reply += ",\"stories\":";
    reply += stories;
    reply += GS::UniString::Printf(",\"actStory\":%d", static_cast<int>(currentStory));
    reply += GS::UniString::Printf(",\"altitude\":%.3f}", altitude);
    return reply;
}

JSRef Bridge::GetAttributes(JSRef /*parameter*/)
{
    return TextReply(BuildAttributeCatalogue());
}
