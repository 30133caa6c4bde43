#pragma once

// The host's function table: one pointer-sized slot per host operation, at the same position in
// every version; each version's table is of that version's size (APIFunctionTableSize) and the
// slots beyond these operations belong to operations this platform does not offer.
//
// Every operation receives the add-on's context token first.

#include <cstddef>

#include "ACAPinc.h"
#include "DGBrowser.hpp"
#include "JSValues.hpp"

// The entry points as this platform calls them, and the record of a module's exports.
using API_Token = void*;

using APICheckEnvironmentProc = API_AddonType(API_EnvirParams* envirParams);
using APIRegisterInterfaceProc = GSErrCode(API_Token token);
using APIInitializeProc = GSErrCode(API_Token token);
using APIFreeDataProc = GSErrCode();

// The record an add-on fills in GetExportedFuncAddrs: 120 bytes, everything else zero.
struct API_ExportedFuncs {
    UInt32 versionWord;  // API major version in the upper 16 bits, 1 in the lower
    UInt32 reserved0;
    APICheckEnvironmentProc* checkEnvironment;
    APIRegisterInterfaceProc* registerInterface;
    APIInitializeProc* initialize;
    APIFreeDataProc* freeData;
    Int32 apiLevel;  // major version times 1000
    UInt8 reserved1[76];
};
static_assert(sizeof(API_ExportedFuncs) == 120);
static_assert(offsetof(API_ExportedFuncs, checkEnvironment) == 8);
static_assert(offsetof(API_ExportedFuncs, apiLevel) == 40);

using GetExportedFuncAddrsProc = void(API_ExportedFuncs* exported);
using SetImportedFuncAddrsProc = GSErrCode(const void* functionTable);

// Host API versions and the size of each version's function table.
constexpr UInt32 APIFunctionTableSize(Int32 apiVersion)
{
    switch (apiVersion) {
        case 27: return 5184;
        case 28: return 5144;
        case 29: return 5152;
        case 30: return 5408;
        default: return 0;
    }
}

// X(name, parameters, arguments): the operations in slot order. Append only.
#define API_HOST_OPERATIONS(X)                                                                                      \
    /* shell */                                                                                                     \
    X(RegisterMenu, (Int16 menuStrResID, Int16 promptStrResID, APIMenuCodeID menuCode, GSFlags menuFlags),         \
      (menuStrResID, promptStrResID, menuCode, menuFlags))                                                          \
    X(InstallMenuHandler, (Int16 menuStrResID, APIMenuCommandProc* handler), (menuStrResID, handler))              \
    X(RegisterPalette,                                                                                              \
      (Int32 referenceID, APIPaletteControlCallBackProc* callback, GSFlags controlFlags, const API_Guid& guid),     \
      (referenceID, callback, controlFlags, guid))                                                                  \
    X(InstallProjectEventHandler, (GSFlags eventMask, APIProjectEventHandlerProc* handler), (eventMask, handler))  \
    X(KeepInMemory, (bool keepInMemory), (keepInMemory))                                                           \
    X(GetMenuItemFlags, (const API_MenuItemRef* menuItemRef, GSFlags* flags), (menuItemRef, flags))                \
    X(SetMenuItemFlags, (const API_MenuItemRef* menuItemRef, GSFlags* flags), (menuItemRef, flags))                \
    /* browser control */                                                                                           \
    X(BrowserLoad, (DG::Browser & browser, const GS::UniString& url), (browser, url))                              \
    X(BrowserExecuteScript, (DG::Browser & browser, const GS::UniString& script), (browser, script))               \
    X(BrowserRegisterObject, (DG::Browser & browser, const GS::Ref<JS::Object, GS::Counter>& object),              \
      (browser, object))                                                                                            \
    /* geo-location */                                                                                              \
    X(GetGeoLocation, (API_GeoLocation * geoLocation), (geoLocation))                                              \
    X(SetGeoLocation, (const API_GeoLocation* geoLocation), (geoLocation))                                         \
    X(GetSiteLocation, (API_PlaceInfo * siteLocation), (siteLocation))                                          \
    X(SetSiteLocation, (const API_PlaceInfo* siteLocation), (siteLocation))                                     \
    X(GetOriginOffset, (API_Coord * offset), (offset))                                                             \
    /* views and worksheets */                                                                                      \
    X(GetCurrentDatabase, (API_DatabaseInfo * database), (database))                                               \
    X(ChangeCurrentDatabase, (const API_DatabaseInfo* database), (database))                                       \
    X(ChangeWindow, (const API_DatabaseInfo* window), (window))                                                    \
    X(RebuildCurrentDatabase, (), ())                                                                              \
    X(GetWorksheetDatabaseIds, (GS::Array<API_DatabaseUnId> * ids, const API_DatabaseUnId* parent), (ids, parent)) \
    X(GetDatabaseInfo, (API_DatabaseInfo * database, const API_DatabaseUnId* parent), (database, parent))          \
    X(NewDatabase, (API_DatabaseInfo * database, const API_DatabaseUnId* parent), (database, parent))              \
    /* stories, attributes, pens */                                                                                 \
    X(GetStorySettings, (API_StoryInfo * storyInfo, UInt32 mask), (storyInfo, mask))                               \
    X(EnumerateAttributes, (API_AttrTypeID typeID, const API_AttributeVisitor& visitor), (typeID, visitor))        \
    X(GetAttributeByName, (API_Attr_Head * head), (head))                                                          \
    X(CreateAttribute, (API_Attribute * attribute, API_AttributeDefExt * defs, const GS::UniString& folder),       \
      (attribute, defs, folder))                                                                                    \
    X(GetPenCount, (UInt32 * count), (count))                                                                      \
    X(GetPen, (API_Pen * pen), (pen))                                                                          \
    /* elements and undo */                                                                                         \
    X(GetElementDefaults, (API_Element * element, API_ElementMemo * memo), (element, memo))                        \
    X(CreateElement, (API_Element * element, API_ElementMemo * memo), (element, memo))                             \
    X(GetElementMemo, (const API_Guid& guid, API_ElementMemo* memo, UInt64 mask), (guid, memo, mask))              \
    X(DisposeElementMemo, (API_ElementMemo * memo), (memo))                                                        \
    X(CallUndoableCommand, (const GS::UniString& undoName, const API_CommandBody& body), (undoName, body))         \
    /* files, libraries, project */                                                                                 \
    X(GetProjectInfo, (API_ProjectInfo * projectInfo), (projectInfo))                                              \
    X(GetSpecialFolder, (API_SpecFolderID * folderID, IO::Location * location), (folderID, location))              \
    X(GetLibraries, (GS::Array<API_LibraryInfo> * libraries), (libraries))                                         \
    X(CopyFilesIntoLibrary,                                                                                         \
      (const IO::Location& libraryFolder, const GS::Array<IO::Location>& files, bool overwrite),                   \
      (libraryFolder, files, overwrite))                                                                            \
    X(ReloadLibraries, (), ())                                                                                     \
    /* autotexts */                                                                                                 \
    X(GetAutoTexts, (API_AutoTextList * autotexts, API_AutotextType typeID), (autotexts, typeID))               \
    X(CreateAutoText, (const API_Guid* guid, const char* name), (guid, name))                                      \
    X(SetAutoText, (const GS::UniString* dbKey, const GS::UniString* value), (dbKey, value))

namespace API {

enum class Operation : UInt32 {
#define API_OPERATION_ENUM(name, params, args) name,
    API_HOST_OPERATIONS(API_OPERATION_ENUM)
#undef API_OPERATION_ENUM
        Count
};

constexpr UInt32 OperationCount = static_cast<UInt32>(Operation::Count);

// Slot types: the context token, then the operation's parameters.
namespace Slot {
#define API_TOKEN_FIRST(...) (API_Token token __VA_OPT__(, ) __VA_ARGS__)
#define API_UNPAREN(...) __VA_ARGS__
#define API_OPERATION_SLOT(name, params, args) using name = GSErrCode API_TOKEN_FIRST(API_UNPAREN params);
API_HOST_OPERATIONS(API_OPERATION_SLOT)
#undef API_OPERATION_SLOT
}  // namespace Slot

PLATFORM_API const char* OperationName(Operation operation);

constexpr UInt32 SlotCount(Int32 apiVersion)
{
    return APIFunctionTableSize(apiVersion) / sizeof(void*);
}

static_assert(OperationCount <= SlotCount(28));

}  // namespace API
