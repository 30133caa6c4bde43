#pragma once

// A small but real host: loads one module build, runs its start-up and shut-down, keeps a project,
// and lets a scenario, the command line or a test act as the user and as the page.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "ACAPinc.h"
#include "host/Error.hpp"
#include "HostApiVersions.hpp"

namespace sim {

class Project;
class Shell;
class BrowserControl;
class Loader;
class FunctionTable;

struct CallResult {
    bool found = false;          // false: the page found no such function
    nlohmann::json reply;        // string for a text reply, boolean for a bool reply, null otherwise
    std::string Text() const { return reply.is_string() ? reply.get<std::string>() : std::string(); }
};

class Simulator {
public:
    struct Options {
        int apiVersion = landfetch::DefaultHostApiVersion;
        std::string modulePath;  // empty: Orvani_Landfetch_<api>.so next to the running executable
        std::string workFolder;  // folder the simulator owns (special folders, drive C:); empty: a new temporary one
        // The palette's browser control: "record" keeps what the module asks and plays the page
        // itself; "chromium" shows the web application in Chromium, which then makes the calls.
        std::string browser = "record";
        std::string webapp = {};  // chromium: folder or http://127.0.0.1:PORT; empty: the reference web application
        bool headless = true;    // chromium: no window
    };

    explicit Simulator(Options options);
    ~Simulator();  // shuts the module down (freeing entry, then unload) when it is loaded
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // The project: a project file's JSON (missing members take a new project's values).
    void LoadProject(const nlohmann::json& projectFile);
    nlohmann::json SaveProject() const;
    Project& GetProject();

    // "ui" of a scenario: {"darkMode": bool, "saveDialog": "accept" | "cancel" | path}.
    void SetUi(const nlohmann::json& ui);

    // Loads the module and runs the host's start-up sequence; throws Error when the module cannot be used.
    void Start();
    // Freeing entry (unless abnormal), then unload. Safe to call twice.
    void Shutdown(bool abnormal = false);
    bool IsStarted() const;

    // The user.
    GSErrCode MenuCommand(Int16 menuResId, Int32 itemIndex);
    GSErrCode PaletteMessage(Int32 messageId, bool* answer = nullptr);
    GSErrCode ProjectEvent(Int32 eventId);
    void SetAppearance(Int16 appearance);
    bool ClosePaletteByUser();                       // the close box; true when accepted
    void ResizePalette(Int32 horizontalChange, Int32 verticalChange);
    int Undo(int steps);                             // steps actually undone
    int Redo(int steps);

    // The page.
    void NewTab(const std::string& url);
    bool Navigate(const std::string& url);           // false: the add-on refused the change
    CallResult Call(const std::string& name, const nlohmann::json& args);
    // The same with the arguments as the page's JSON text: an array, or `null` for none.
    CallResult CallJson(const std::string& name, std::string_view args);
    // Evaluates a script in the page and gives its value (a browser control with a real page only).
    nlohmann::json EvaluateInPage(const std::string& script);

    // What can be observed.
    std::string PaletteState() const;                // "none", "hidden" or "visible"
    bool MenuChecked() const;
    std::string Address() const;                     // last address loaded in the palette's browser
    int PageLoads() const;
    std::vector<std::string> TakeScripts();          // scripts run in the page since the last take
    std::vector<std::string> TakeOpened();           // addresses handed to the default browser since the last take
    const std::string& WorkFolder() const;
    int ApiVersion() const;

    // What escaped the bound function in the last Call; empty when nothing did.
    const std::string& LastCallException() const;
    // Every path the user chose in a file dialog, in order.
    const std::vector<std::string>& ChosenPaths() const;
    const std::string& ModulePath() const;

    Shell& GetShell();
    BrowserControl& GetBrowser();
    const Loader& GetLoader() const;
    const FunctionTable* GetFunctionTable() const;  // null while no module is started

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// The module build next to the running executable for a host API version.
std::string DefaultModulePath(int apiVersion);

}  // namespace sim
