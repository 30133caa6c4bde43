#include "host/Loader.hpp"

#include <dlfcn.h>

#include <filesystem>

#include "host/Encoding.hpp"
#include "host/Error.hpp"

namespace sim {

Loader::~Loader()
{
    Unload();
}

void Loader::Fail(const std::string& problem)
{
    throw Error(path + ": " + problem);
}

void Loader::Open(const std::string& modulePath, Int32 apiVersion)
{
    Shutdown(false);
    path = modulePath;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        Fail("no such module file");

    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        Fail(std::string("not a loadable module (") + (reason != nullptr ? reason : "unknown reason") + ")");
    }

    auto* getExported = reinterpret_cast<GetExportedFuncAddrsProc*>(dlsym(handle, "GetExportedFuncAddrs"));
    setImported = reinterpret_cast<SetImportedFuncAddrsProc*>(dlsym(handle, "SetImportedFuncAddrs"));
    if (getExported == nullptr || setImported == nullptr) {
        std::string missing = getExported == nullptr ? "GetExportedFuncAddrs" : "SetImportedFuncAddrs";
        Unload();
        Fail("the module does not export " + missing);
    }

    exported = API_ExportedFuncs{};
    getExported(&exported);
    const UInt32 versionWord = (static_cast<UInt32>(apiVersion) << 16) | 1;
    if (exported.versionWord != versionWord || exported.apiLevel != apiVersion * 1000) {
        std::string found = HexWord(exported.versionWord) + ", level " + std::to_string(exported.apiLevel);
        Unload();
        Fail("the module is not built for host API " + std::to_string(apiVersion) + " (version word " + found + ")");
    }
    if (exported.checkEnvironment == nullptr || exported.registerInterface == nullptr ||
        exported.initialize == nullptr || exported.freeData == nullptr) {
        Unload();
        Fail("the module's entry-point record lacks an entry point");
    }
}

void Loader::Start(const void* functionTable, API_Token registrationToken, API_Token contextToken)
{
    if (handle == nullptr)
        throw Error("no module is open");

    if (GSErrCode result = setImported(functionTable); result != NoError) {
        Unload();
        Fail("SetImportedFuncAddrs failed with " + std::to_string(result));
    }

    API_EnvirParams environment{};
    addOnType = exported.checkEnvironment(&environment);
    name = environment.addOnInfo.name;
    description = environment.addOnInfo.description;
    if (addOnType == APIAddon_DontRegister || addOnType == APIAddon_Unknown) {
        Unload();
        Fail("the module refused the environment check");
    }

    if (GSErrCode result = exported.registerInterface(registrationToken); result != NoError) {
        Unload();
        Fail("interface registration failed with " + std::to_string(result));
    }
    started = true;
    if (GSErrCode result = exported.initialize(contextToken); result != NoError) {
        Shutdown(false);
        Fail("initialisation failed with " + std::to_string(result));
    }
}

void Loader::Shutdown(bool abnormal)
{
    if (!abnormal)
        Free();
    Unload();
}

void Loader::Free()
{
    if (handle != nullptr && started)
        exported.freeData();
    started = false;
}

void Loader::Unload()
{
    started = false;
    if (handle == nullptr)
        return;
    dlclose(handle);
    handle = nullptr;
    setImported = nullptr;
}

}  // namespace sim
