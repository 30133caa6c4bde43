// The module's two exports, the wrappers of its four entry points, and its load and unload.

#include <cstring>
#include <string>

#include "AddOnEntryPoints.hpp"
#include "HostBinding.hpp"
#include "HostInterface.hpp"
#include "RS.hpp"
#include "Win32.hpp"

namespace {

constexpr UInt32 ApiVersionWord = (static_cast<UInt32>(LANDFETCH_API_VERSION) << 16) | 1u;
constexpr Int32 ApiLevel = LANDFETCH_API_VERSION * 1000;
constexpr DWORD ModulePathCapacity = 260;

HINSTANCE moduleInstance = nullptr;
char16_t modulePath[ModulePathCapacity] = {};

API_AddonType CheckEnvironmentEntry(API_EnvirParams* envirParams)
{
    if (!HostBinding::TableReceived())
        return APIAddon_DontRegister;
    return CheckAddOnEnvironment(envirParams);
}

GSErrCode RegisterInterfaceEntry(API_Token token)
{
    if (!HostBinding::TableReceived())
        return APIERR_GENERAL;
    HostBinding::SetInterfaceToken(token);
    return RegisterAddOnInterface();
}

GSErrCode InitializeEntry(API_Token token)
{
    if (!HostBinding::TableReceived())
        return APIERR_GENERAL;
    HostBinding::SetContextToken(token);
    return InitializeAddOn();
}

GSErrCode FreeDataEntry()
{
    if (!HostBinding::TableReceived())
        return APIERR_GENERAL;
    const GSErrCode result = FreeAddOn();
    HostBinding::SetContextToken(nullptr);
    return result;
}

__attribute__((constructor)) void ModuleLoaded()
{
    RegisterWindowMessageW(u"commdlg_FileNameOK");
    moduleInstance = GetModuleOfAddress(reinterpret_cast<const void*>(&ModuleLoaded));
    GetModuleFileNameW(moduleInstance, modulePath, ModulePathCapacity);
    HostBinding::SetOwnResourceModule(RSInitModuleImageCache(reinterpret_cast<GSResModule>(moduleInstance)));
}

// Runs before the module's static objects are destroyed, as the loader's detach notification does.
__attribute__((destructor)) void ModuleUnloading()
{
    const GSResModule resModule = Host::GetOwnResourceModule();
    if (resModule != InvalidResModule) {
        RSRemoveModuleImageCache(resModule);
        RS::ResModuleClosed(resModule);
        HostBinding::SetOwnResourceModule(InvalidResModule);
    }
    if (HostBinding::GetContextToken() != nullptr) {
        const GS::UniString::CStr path = GS::UniString(modulePath).ToCStr(CC_UTF8);
        DBPrintf("Abnormal add-on termination (\"%s\")", path.Get());
        DBPrintf("\n");
        HostBinding::SetContextToken(nullptr);
    }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void GetExportedFuncAddrs(API_ExportedFuncs* exported)
{
    if (exported == nullptr)
        return;
    std::memset(static_cast<void*>(exported), 0, sizeof(API_ExportedFuncs));
    exported->versionWord = ApiVersionWord;
    exported->checkEnvironment = &CheckEnvironmentEntry;
    exported->registerInterface = &RegisterInterfaceEntry;
    exported->initialize = &InitializeEntry;
    exported->freeData = &FreeDataEntry;
    exported->apiLevel = ApiLevel;
}

__attribute__((visibility("default"))) GSErrCode SetImportedFuncAddrs(const void* functionTable)
{
    // A null table would be read from address zero; refuse it and stay unbound.
    if (!HostBinding::ReceiveTable(functionTable))
        return APIERR_BADPARS;
    return NoError;
}

}  // extern "C"
