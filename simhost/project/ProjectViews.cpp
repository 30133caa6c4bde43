// Views: the floor plan, the worksheets and their windows, and the stories.

#include <algorithm>

#include "project/Project.hpp"

namespace sim {

namespace {

void CopyText(GS::uchar_t (&dest)[256], const std::string& utf8)
{
    GS::ucsncpy(dest, GS::UniString(utf8.c_str(), CC_UTF8).ToUStr(), 256);
}

// A text field of a record, refused when it has no terminator.
bool ReadText(const GS::uchar_t (&field)[256], std::string* text)
{
    const auto end = std::find(std::begin(field), std::end(field), u'\0');
    if (end == std::end(field)) {
        return false;
    }
    *text = GS::UniString(field, static_cast<UInt32>(end - std::begin(field))).ToUtf8();
    return true;
}

API_Guid GuidOf(const std::string& text)
{
    return GSGuid2APIGuid(GS::Guid(text.c_str()));
}

}  // namespace

GSErrCode Project::GetCurrentDatabase(API_DatabaseInfo* database)
{
    if (database == nullptr) {
        return APIERR_BADPARS;
    }
    *database = API_DatabaseInfo{};
    if (currentViewKind == "worksheet") {
        database->typeID = APIWind_WorksheetID;
        database->databaseUnId.elemSetId = GuidOf(currentViewId);
        return GetDatabaseInfo(database, nullptr);
    }
    database->typeID = APIWind_FloorPlanID;
    return GetDatabaseInfo(database, nullptr);
}

GSErrCode Project::ChangeCurrentDatabase(const API_DatabaseInfo* database)
{
    if (database == nullptr) {
        return APIERR_BADPARS;
    }
    if (database->typeID == APIWind_FloorPlanID) {
        const API_Guid& id = database->databaseUnId.elemSetId;
        if (id != APINULLGuid && id != GuidOf(floorPlanId)) {
            return APIERR_BADDATABASE;
        }
        currentViewKind = "plan";
        currentViewId.clear();
        return NoError;
    }
    const Worksheet* worksheet =
        database->typeID == APIWind_WorksheetID ? FindWorksheet(database->databaseUnId.elemSetId) : nullptr;
    if (worksheet == nullptr ||
        std::find(openWindows.begin(), openWindows.end(), worksheet->id) == openWindows.end()) {
        return APIERR_BADDATABASE;
    }
    currentViewKind = "worksheet";
    currentViewId = worksheet->id;
    return NoError;
}

GSErrCode Project::ChangeWindow(const API_DatabaseInfo* window)
{
    if (window == nullptr) {
        return APIERR_BADPARS;
    }
    if (window->typeID == APIWind_FloorPlanID) {
        return ChangeCurrentDatabase(window);
    }
    const Worksheet* worksheet =
        window->typeID == APIWind_WorksheetID ? FindWorksheet(window->databaseUnId.elemSetId) : nullptr;
    if (worksheet == nullptr) {
        return APIERR_BADDATABASE;
    }
    if (std::find(openWindows.begin(), openWindows.end(), worksheet->id) == openWindows.end()) {
        openWindows.push_back(worksheet->id);
    }
    currentViewKind = "worksheet";
    currentViewId = worksheet->id;
    return NoError;
}

GSErrCode Project::RebuildCurrentDatabase()
{
    ++rebuildCount;
    return NoError;
}

GSErrCode Project::GetWorksheetDatabaseIds(GS::Array<API_DatabaseUnId>* ids, const API_DatabaseUnId* /*parent*/)
{
    if (ids == nullptr) {
        return APIERR_BADPARS;
    }
    ids->Clear();
    for (const Worksheet& worksheet : model.worksheets) {
        ids->Push(API_DatabaseUnId{GuidOf(worksheet.id)});
    }
    return NoError;
}

GSErrCode Project::GetDatabaseInfo(API_DatabaseInfo* database, const API_DatabaseUnId* /*parent*/)
{
    if (database == nullptr) {
        return APIERR_BADPARS;
    }
    if (database->typeID == APIWind_FloorPlanID) {
        const auto story = std::find_if(stories.begin(), stories.end(),
                                        [this](const Story& candidate) { return candidate.index == currentStory; });
        database->databaseUnId.elemSetId = GuidOf(floorPlanId);
        CopyText(database->name, story != stories.end() ? story->name : std::string());
        CopyText(database->ref, std::string());
        return NoError;
    }
    if (database->typeID != APIWind_WorksheetID) {
        return APIERR_BADDATABASE;
    }
    const Worksheet* worksheet = FindWorksheet(database->databaseUnId.elemSetId);
    if (worksheet == nullptr) {
        return APIERR_BADID;
    }
    CopyText(database->name, worksheet->name);
    CopyText(database->ref, worksheet->ref);
    return NoError;
}

GSErrCode Project::NewDatabase(API_DatabaseInfo* database, const API_DatabaseUnId* /*parent*/)
{
    if (database == nullptr || database->typeID != APIWind_WorksheetID) {
        return APIERR_BADPARS;
    }
    Worksheet worksheet;
    if (!ReadText(database->name, &worksheet.name) || !ReadText(database->ref, &worksheet.ref)) {
        return APIERR_BADPARS;
    }
    if (worksheet.ref.empty()) {
        worksheet.ref = "W" + std::to_string(model.worksheets.size() + 1);
    }
    GS::Guid id;
    id.Generate();
    worksheet.id = id.ToUniString().ToUtf8();
    Record(WorksheetMade{worksheet.id, model.worksheets.size(), std::nullopt});
    model.worksheets.push_back(worksheet);
    openWindows.push_back(worksheet.id);
    database->databaseUnId.elemSetId = GSGuid2APIGuid(id);
    CopyText(database->ref, worksheet.ref);
    return NoError;
}

GSErrCode Project::GetStorySettings(API_StoryInfo* storyInfo, UInt32 /*mask*/)
{
    if (storyInfo == nullptr) {
        return APIERR_BADPARS;
    }
    const GSSize size = static_cast<GSSize>(stories.size() * sizeof(API_StoryType));
    GSHandle handle = BMAllocateHandle(size, ALLOCATE_CLEAR, 0);
    if (handle == nullptr) {
        return APIERR_MEMFULL;
    }
    auto* entries = reinterpret_cast<API_StoryType*>(*handle);
    Int16 first = stories.empty() ? 0 : stories.front().index;
    for (std::size_t i = 0; i < stories.size(); ++i) {
        entries[i].index = stories[i].index;
        CopyText(entries[i].uName, stories[i].name);
        first = std::min(first, stories[i].index);
    }
    storyInfo->firstStory = first;
    storyInfo->lastStory = lastStory;
    storyInfo->actStory = currentStory;
    storyInfo->data = reinterpret_cast<API_StoryType**>(handle);
    return NoError;
}

}  // namespace sim
