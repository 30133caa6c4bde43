// The project database's host operations: each forwards to the project.

#include "Operations.hpp"
#include "Project.hpp"

namespace sim {

#define SIM_FORWARD(name, params, args) \
    GSErrCode Operations::name params { return project.name args; }

SIM_FORWARD(GetGeoLocation, (API_GeoLocation * geoLocation), (geoLocation))
SIM_FORWARD(SetGeoLocation, (const API_GeoLocation* geoLocation), (geoLocation))
SIM_FORWARD(GetSiteLocation, (API_SiteLocation * siteLocation), (siteLocation))
SIM_FORWARD(SetSiteLocation, (const API_SiteLocation* siteLocation), (siteLocation))
SIM_FORWARD(GetOriginOffset, (API_Coord * offset), (offset))
SIM_FORWARD(GetCurrentDatabase, (API_DatabaseInfo * database), (database))
SIM_FORWARD(ChangeCurrentDatabase, (const API_DatabaseInfo* database), (database))
SIM_FORWARD(ChangeWindow, (const API_DatabaseInfo* window), (window))
SIM_FORWARD(RebuildCurrentDatabase, (), ())
SIM_FORWARD(GetWorksheetDatabaseIds, (GS::Array<API_DatabaseUnId> * ids, const API_DatabaseUnId* parent), (ids, parent))
SIM_FORWARD(GetDatabaseInfo, (API_DatabaseInfo * database, const API_DatabaseUnId* parent), (database, parent))
SIM_FORWARD(NewDatabase, (API_DatabaseInfo * database, const API_DatabaseUnId* parent), (database, parent))
SIM_FORWARD(GetStorySettings, (API_StoryInfo * storyInfo, UInt32 mask), (storyInfo, mask))
SIM_FORWARD(EnumerateAttributes, (API_AttrTypeID typeID, const API_AttributeVisitor& visitor), (typeID, visitor))
SIM_FORWARD(GetAttributeByName, (API_Attr_Head * head), (head))
SIM_FORWARD(CreateAttribute, (API_Attribute * attribute, API_AttributeDefExt* defs, const GS::UniString& folder),
            (attribute, defs, folder))
SIM_FORWARD(GetPenCount, (UInt32 * count), (count))
SIM_FORWARD(GetPen, (API_PenType * pen), (pen))
SIM_FORWARD(GetElementDefaults, (API_Element * element, API_ElementMemo* memo), (element, memo))
SIM_FORWARD(CreateElement, (API_Element * element, API_ElementMemo* memo), (element, memo))
SIM_FORWARD(GetElementMemo, (const API_Guid& guid, API_ElementMemo* memo, UInt64 mask), (guid, memo, mask))
SIM_FORWARD(DisposeElementMemo, (API_ElementMemo * memo), (memo))
SIM_FORWARD(CallUndoableCommand, (const GS::UniString& undoName, const API_CommandBody& body), (undoName, body))
SIM_FORWARD(GetProjectInfo, (API_ProjectInfo * projectInfo), (projectInfo))
SIM_FORWARD(GetSpecialFolder, (API_SpecFolderID * folderID, IO::Location* location), (folderID, location))
SIM_FORWARD(GetLibraries, (GS::Array<API_LibraryInfo> * libraries), (libraries))
SIM_FORWARD(CopyFilesIntoLibrary,
            (const IO::Location& libraryFolder, const GS::Array<IO::Location>& files, bool overwrite),
            (libraryFolder, files, overwrite))
SIM_FORWARD(ReloadLibraries, (), ())
SIM_FORWARD(GetAutoTexts, (API_AutoTextList * autotexts, API_AutotextsTypeID typeID), (autotexts, typeID))
SIM_FORWARD(CreateAutoText, (const API_Guid* guid, const char* name), (guid, name))
SIM_FORWARD(SetAutoText, (const GS::UniString* dbKey, const GS::UniString* value), (dbKey, value))

#undef SIM_FORWARD

}  // namespace sim
