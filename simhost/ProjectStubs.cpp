// Early bodies of the project operations.
#include "Project.hpp"
namespace sim {
GSErrCode Project::GetGeoLocation(API_GeoLocation* /*geoLocation*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::SetGeoLocation(const API_GeoLocation* /*geoLocation*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetSiteLocation(API_SiteLocation* /*siteLocation*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::SetSiteLocation(const API_SiteLocation* /*siteLocation*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetOriginOffset(API_Coord* /*offset*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetCurrentDatabase(API_DatabaseInfo* /*database*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::ChangeCurrentDatabase(const API_DatabaseInfo* /*database*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::ChangeWindow(const API_DatabaseInfo* /*window*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::RebuildCurrentDatabase() { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetWorksheetDatabaseIds(GS::Array<API_DatabaseUnId>* /*ids*/, const API_DatabaseUnId* /*parent*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetDatabaseInfo(API_DatabaseInfo* /*database*/, const API_DatabaseUnId* /*parent*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::NewDatabase(API_DatabaseInfo* /*database*/, const API_DatabaseUnId* /*parent*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetStorySettings(API_StoryInfo* /*storyInfo*/, UInt32 /*mask*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::EnumerateAttributes(API_AttrTypeID /*typeID*/, const API_AttributeVisitor& /*visitor*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetAttributeByName(API_Attr_Head* /*head*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::CreateAttribute(API_Attribute* /*attribute*/, API_AttributeDefExt* /*defs*/, const GS::UniString& /*folder*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetPenCount(UInt32* /*count*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetPen(API_PenType* /*pen*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetElementDefaults(API_Element* /*element*/, API_ElementMemo* /*memo*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::CreateElement(API_Element* /*element*/, API_ElementMemo* /*memo*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetElementMemo(const API_Guid& /*guid*/, API_ElementMemo* /*memo*/, UInt64 /*mask*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::DisposeElementMemo(API_ElementMemo* /*memo*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::CallUndoableCommand(const GS::UniString& /*undoName*/, const API_CommandBody& /*body*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetProjectInfo(API_ProjectInfo* /*projectInfo*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetSpecialFolder(API_SpecFolderID* /*folderID*/, IO::Location* /*location*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetLibraries(GS::Array<API_LibraryInfo>* /*libraries*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::CopyFilesIntoLibrary(const IO::Location& /*libraryFolder*/, const GS::Array<IO::Location>& /*files*/, bool /*overwrite*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::ReloadLibraries() { return APIERR_NOTSUPPORTED; }
GSErrCode Project::GetAutoTexts(API_AutoTextList* /*autotexts*/, API_AutotextsTypeID /*typeID*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::CreateAutoText(const API_Guid* /*guid*/, const char* /*name*/) { return APIERR_NOTSUPPORTED; }
GSErrCode Project::SetAutoText(const GS::UniString* /*dbKey*/, const GS::UniString* /*value*/) { return APIERR_NOTSUPPORTED; }
}
