#pragma once

// Loads one module build and runs the host's start-up and shut-down sequences with it.

#include <string>

#include "APIFunctionTable.hpp"

namespace sim {

class Loader {
public:
    Loader() = default;
    ~Loader();  // unloads without the freeing entry when the module is still loaded
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    // Opens the module and checks its two exports and its entry-point record against the host API
    // version; throws sim::Error naming the file otherwise. Nothing of the module runs but
    // GetExportedFuncAddrs.
    void Open(const std::string& path, Int32 apiVersion);
    // SetImportedFuncAddrs, the environment check, interface registration and initialisation.
    // Throws sim::Error when one of them refuses; the module is then shut down again.
    void Start(const void* functionTable, API_Token registrationToken, API_Token contextToken);
    // The freeing entry (skipped when abnormal, as when the host crashes), then unload.
    void Shutdown(bool abnormal);
    // The two halves of Shutdown, for a host that must let go of the module's objects in between.
    void Free();
    void Unload();

    bool IsOpen() const { return handle != nullptr; }
    bool IsStarted() const { return started; }
    const std::string& Path() const { return path; }
    const API_ExportedFuncs& Exported() const { return exported; }
    API_AddonType AddOnType() const { return addOnType; }
    const GS::UniString& AddOnName() const { return name; }
    const GS::UniString& AddOnDescription() const { return description; }

private:
    [[noreturn]] void Fail(const std::string& problem);

    std::string path;
    void* handle = nullptr;
    SetImportedFuncAddrsProc* setImported = nullptr;
    API_ExportedFuncs exported{};
    API_AddonType addOnType = APIAddon_Unknown;
    GS::UniString name;
    GS::UniString description;
    bool started = false;
};

}  // namespace sim
