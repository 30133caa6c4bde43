#pragma once

// One thin forwarding function per host operation, in the host's own types. Each calls through the
// host's function table; an empty slot answers APIERR_NOTSUPPORTED. No other file of the module
// calls through the table, and only the forwarding code sees its layout.

#include "ACAPinc.h"
#include "DGBrowser.hpp"
#include "GSRoot.hpp"
#include "JSValues.hpp"
#include "Location.hpp"

namespace Host {

// Shell
GSErrCode RegisterMenu(Int16 menuStrResID, Int16 promptStrResID, APIMenuCodeID menuCode, GSFlags menuFlags);
GSErrCode InstallMenuHandler(Int16 menuStrResID, APIMenuCommandProc* handler);
GSErrCode RegisterPalette(Int32 referenceID, APIPaletteControlCallBackProc* callback, GSFlags controlFlags,
                          const API_Guid& guid);
GSErrCode InstallProjectEventHandler(GSFlags eventMask, APIProjectEventHandlerProc* handler);
GSErrCode KeepInMemory(bool keepInMemory);
GSErrCode GetMenuItemFlags(const API_MenuItemRef* menuItemRef, GSFlags* flags);
GSErrCode SetMenuItemFlags(const API_MenuItemRef* menuItemRef, GSFlags* flags);

// Browser control
GSErrCode BrowserLoad(DG::Browser& browser, const GS::UniString& url);
GSErrCode BrowserExecuteScript(DG::Browser& browser, const GS::UniString& script);
GSErrCode BrowserRegisterObject(DG::Browser& browser, const GS::Ref<JS::Object, GS::Counter>& object);

// Geo-location
GSErrCode GetGeoLocation(API_GeoLocation* geoLocation);
GSErrCode SetGeoLocation(const API_GeoLocation* geoLocation);
GSErrCode GetSiteLocation(API_PlaceInfo* siteLocation);
GSErrCode SetSiteLocation(const API_PlaceInfo* siteLocation);
GSErrCode GetOriginOffset(API_Coord* offset);

// Views and worksheets
GSErrCode GetCurrentDatabase(API_DatabaseInfo* database);
GSErrCode ChangeCurrentDatabase(const API_DatabaseInfo* database);
GSErrCode ChangeWindow(const API_DatabaseInfo* window);
GSErrCode RebuildCurrentDatabase();
GSErrCode GetWorksheetDatabaseIds(GS::Array<API_DatabaseUnId>* ids, const API_DatabaseUnId* parent);
GSErrCode GetDatabaseInfo(API_DatabaseInfo* database, const API_DatabaseUnId* parent);
GSErrCode NewDatabase(API_DatabaseInfo* database, const API_DatabaseUnId* parent);

// Stories, attributes, pens
GSErrCode GetStorySettings(API_StoryInfo* storyInfo, UInt32 mask);
GSErrCode EnumerateAttributes(API_AttrTypeID typeID, const API_AttributeVisitor& visitor);
GSErrCode GetAttributeByName(API_Attr_Head* head);
GSErrCode CreateAttribute(API_Attribute* attribute, API_AttributeDefExt* defs, const GS::UniString& folder);
GSErrCode GetPenCount(UInt32* count);
GSErrCode GetPen(API_Pen* pen);

// Elements and undo
GSErrCode GetElementDefaults(API_Element* element, API_ElementMemo* memo);
GSErrCode CreateElement(API_Element* element, API_ElementMemo* memo);
GSErrCode GetElementMemo(const API_Guid& guid, API_ElementMemo* memo, UInt64 mask);
GSErrCode DisposeElementMemo(API_ElementMemo* memo);
GSErrCode CallUndoableCommand(const GS::UniString& undoName, const API_CommandBody& body);

// Files, libraries, project
GSErrCode GetProjectInfo(API_ProjectInfo* projectInfo);
GSErrCode GetSpecialFolder(API_SpecFolderID* folderID, IO::Location* location);
GSErrCode GetLibraries(GS::Array<API_LibraryInfo>* libraries);
GSErrCode CopyFilesIntoLibrary(const IO::Location& libraryFolder, const GS::Array<IO::Location>& files, bool overwrite);
GSErrCode ReloadLibraries();

// Autotexts
GSErrCode GetAutoTexts(API_AutoTextList* autotexts, API_AutotextType typeID);
GSErrCode CreateAutoText(const API_Guid* guid, const char* name);
GSErrCode SetAutoText(const GS::UniString* dbKey, const GS::UniString* value);

// The module's own resources, opened when the module was loaded.
GSResModule GetOwnResourceModule();

}  // namespace Host
