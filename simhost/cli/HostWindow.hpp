#pragma once

// The host window of `landfetch-host browse`: the project as the add-on changes it. Its page and
// the project's drawings and model are answered by path, for the browser's request interception;
// undo and redo come back the same way and act as the user does.

#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace sim {

class Simulator;

struct HostWindowReply {
    int status = 404;
    std::string mime = "text/plain; charset=utf-8";
    std::string body;
};

class HostWindow {
public:
    // `pageFolder`: the window's own page; `threeFolder`: the three.js package (may not exist: the
    // window then shows the drawings only); `workFolder`: where the exports are written.
    HostWindow(Simulator& simulator, std::string pageFolder, std::string threeFolder, std::string workFolder);

    // A request for a path of the window's origin ("/index.html", "/project/state.json",
    // "/project/views/<file>", "/project/model/<file>", "/three/...", POST "/action/undo", "/action/redo",
    // "/action/theme/dark", "/action/theme/light" or "/action/event/<1|2|4>").
    HostWindowReply Answer(const std::string& method, const std::string& path);

    // Each of the user's actions as a scenario step, once it is done.
    using ActionObserver = std::function<void(const nlohmann::ordered_json& step)>;
    void SetActionObserver(ActionObserver observer) { actionObserver = std::move(observer); }

    // After every ACAPI call: the next request shows the project as it is now.
    void CallMade();
    int Revision() const { return revision; }

    // The page's own script that asks the window to show the latest revision.
    static const char* RefreshScript() { return "window.hostRefresh && window.hostRefresh();"; }

private:
    void Export();

    Simulator& simulator;
    std::string pageFolder;
    std::string threeFolder;
    std::string workFolder;
    int revision = 1;
    int exported = 0;
    int calls = 0;
    std::string stateJson;
    ActionObserver actionObserver;
};

}  // namespace sim
