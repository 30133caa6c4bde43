#pragma once

// Who carries out each host operation of API_HOST_OPERATIONS: the part of the simulator (shell,
// browser or project) and its member that does. A new operation needs its line here, and its
// member in that part; the declarations and the forwarding are made from the two lists.

#include "APIFunctionTable.hpp"

#define SIM_OWNER_RegisterMenu shell, RegisterMenu
#define SIM_OWNER_InstallMenuHandler shell, InstallMenuHandler
#define SIM_OWNER_RegisterPalette shell, RegisterPalette
#define SIM_OWNER_InstallProjectEventHandler shell, InstallProjectEventHandler
#define SIM_OWNER_KeepInMemory shell, KeepInMemory
#define SIM_OWNER_GetMenuItemFlags shell, GetMenuItemFlags
#define SIM_OWNER_SetMenuItemFlags shell, SetMenuItemFlags

// The browser control's members are its own interface, which every browser control implements.
#define SIM_OWNER_BrowserLoad browser, Load
#define SIM_OWNER_BrowserExecuteScript browser, ExecuteScript
#define SIM_OWNER_BrowserRegisterObject browser, RegisterObject

#define SIM_OWNER_GetGeoLocation project, GetGeoLocation
#define SIM_OWNER_SetGeoLocation project, SetGeoLocation
#define SIM_OWNER_GetSiteLocation project, GetSiteLocation
#define SIM_OWNER_SetSiteLocation project, SetSiteLocation
#define SIM_OWNER_GetOriginOffset project, GetOriginOffset
#define SIM_OWNER_GetCurrentDatabase project, GetCurrentDatabase
#define SIM_OWNER_ChangeCurrentDatabase project, ChangeCurrentDatabase
#define SIM_OWNER_ChangeWindow project, ChangeWindow
#define SIM_OWNER_RebuildCurrentDatabase project, RebuildCurrentDatabase
#define SIM_OWNER_GetWorksheetDatabaseIds project, GetWorksheetDatabaseIds
#define SIM_OWNER_GetDatabaseInfo project, GetDatabaseInfo
#define SIM_OWNER_NewDatabase project, NewDatabase
#define SIM_OWNER_GetStorySettings project, GetStorySettings
#define SIM_OWNER_EnumerateAttributes project, EnumerateAttributes
#define SIM_OWNER_GetAttributeByName project, GetAttributeByName
#define SIM_OWNER_CreateAttribute project, CreateAttribute
#define SIM_OWNER_GetPenCount project, GetPenCount
#define SIM_OWNER_GetPen project, GetPen
#define SIM_OWNER_GetElementDefaults project, GetElementDefaults
#define SIM_OWNER_CreateElement project, CreateElement
#define SIM_OWNER_GetElementMemo project, GetElementMemo
#define SIM_OWNER_DisposeElementMemo project, DisposeElementMemo
#define SIM_OWNER_CallUndoableCommand project, CallUndoableCommand
#define SIM_OWNER_GetProjectInfo project, GetProjectInfo
#define SIM_OWNER_GetSpecialFolder project, GetSpecialFolder
#define SIM_OWNER_GetLibraries project, GetLibraries
#define SIM_OWNER_CopyFilesIntoLibrary project, CopyFilesIntoLibrary
#define SIM_OWNER_ReloadLibraries project, ReloadLibraries
#define SIM_OWNER_GetAutoTexts project, GetAutoTexts
#define SIM_OWNER_CreateAutoText project, CreateAutoText
#define SIM_OWNER_SetAutoText project, SetAutoText

// An operation without a line above stops the build here: SIM_OWNER_<name> stays one word.
#define SIM_OWNER_PART(name) SIM_OWNER_FIRST(SIM_OWNER_##name)
#define SIM_OWNER_MEMBER(name) SIM_OWNER_SECOND(SIM_OWNER_##name)
#define SIM_OWNER_FIRST(...) SIM_OWNER_FIRST_(__VA_ARGS__)
#define SIM_OWNER_FIRST_(part, member) part
#define SIM_OWNER_SECOND(...) SIM_OWNER_SECOND_(__VA_ARGS__)
#define SIM_OWNER_SECOND_(part, member) member
#define SIM_OWNER_CAT(a, b) SIM_OWNER_CAT_(a, b)
#define SIM_OWNER_CAT_(a, b) a##b

// SIM_IF_OWNER(part, name)(text): the text when `part` carries out the operation, else nothing.
#define SIM_IF_OWNER(part, name) SIM_OWNER_CAT(SIM_OWNER_WHEN_##part##_, SIM_OWNER_PART(name))
#define SIM_OWNER_KEEP(...) __VA_ARGS__
#define SIM_OWNER_DROP(...)
#define SIM_OWNER_WHEN_shell_shell SIM_OWNER_KEEP
#define SIM_OWNER_WHEN_shell_browser SIM_OWNER_DROP
#define SIM_OWNER_WHEN_shell_project SIM_OWNER_DROP
#define SIM_OWNER_WHEN_browser_shell SIM_OWNER_DROP
#define SIM_OWNER_WHEN_browser_browser SIM_OWNER_KEEP
#define SIM_OWNER_WHEN_browser_project SIM_OWNER_DROP
#define SIM_OWNER_WHEN_project_shell SIM_OWNER_DROP
#define SIM_OWNER_WHEN_project_browser SIM_OWNER_DROP
#define SIM_OWNER_WHEN_project_project SIM_OWNER_KEEP

// The declarations of the operations `part` carries out under their own names.
#define SIM_DECLARE_OWNED_OPERATION(part, name, params) SIM_IF_OWNER(part, name)(GSErrCode name params;)
