#include "cli/HostWindow.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "export/Exports.hpp"
#include "project/Project.hpp"
#include "Simulator.hpp"

namespace sim {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::map<std::string, std::string> Mime = {
    {".html", "text/html; charset=utf-8"}, {".js", "text/javascript; charset=utf-8"}, {".css", "text/css; charset=utf-8"},
    {".json", "application/json"},         {".svg", "image/svg+xml"},                 {".gltf", "model/gltf+json"},
    {".bin", "application/octet-stream"},  {".png", "image/png"},                     {".jpg", "image/jpeg"}};

// A file below `folder` named by the rest of a request path; nothing outside the folder is served
// (no "..", no absolute names), whatever the page asks for.
HostWindowReply ServeFile(const fs::path& folder, const std::string& relative)
{
    HostWindowReply reply;
    const fs::path name = fs::path(relative).lexically_normal();
    if (relative.empty() || name.is_absolute() || name.empty() || *name.begin() == "..") {
        reply.body = "not found";
        return reply;
    }
    std::ifstream file(folder / name, std::ios::binary);
    std::error_code error;
    if (!file || !fs::is_regular_file(folder / name, error)) {
        reply.body = "not found";
        return reply;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    reply.status = 200;
    reply.body = bytes.str();
    const auto mime = Mime.find(name.extension().string());
    reply.mime = mime != Mime.end() ? mime->second : "application/octet-stream";
    return reply;
}

HostWindowReply JsonReply(const json& value)
{
    return {200, "application/json", value.dump(-1, ' ', false, json::error_handler_t::replace)};
}

// The project reduced to its current view, so that the drawing exported from it is that view's.
json CurrentViewOnly(const json& project, std::string& kind)
{
    json reduced = project;
    const json view = project.value("currentView", json::object());
    kind = view.value("kind", std::string("plan"));
    const std::string id = view.value("id", std::string());
    const int story = project.value("stories", json::object()).value("current", 0);
    json elements = json::array();
    for (const json& element : project.value("elements", json::array())) {
        const std::string elementView = element.value("view", std::string("plan"));
        const bool onPlan = elementView.empty() || elementView == "plan";
        if (kind == "worksheet" ? elementView == id : onPlan && element.value("story", 0) == story)
            elements.push_back(element);
    }
    reduced["elements"] = elements;
    json worksheets = json::array();
    for (const json& worksheet : project.value("worksheets", json::array()))
        if (kind == "worksheet" && worksheet.value("id", std::string()) == id)
            worksheets.push_back(worksheet);
    reduced["worksheets"] = worksheets;
    return reduced;
}

}  // namespace

HostWindow::HostWindow(Simulator& simulator, std::string pageFolder, std::string threeFolder, std::string workFolder)
    : simulator(simulator), pageFolder(std::move(pageFolder)), threeFolder(std::move(threeFolder)), workFolder(std::move(workFolder))
{
}

void HostWindow::CallMade()
{
    ++calls;
    ++revision;
}

// Every view as a drawing, the current one first, and the model; once per revision.
void HostWindow::Export()
{
    if (exported == revision)
        return;
    const json project = simulator.SaveProject();
    const fs::path root(workFolder);
    std::error_code error;
    fs::remove_all(root / "views", error);
    fs::remove_all(root / "model", error);
    fs::remove_all(root / "current", error);

    std::string kind;
    std::string current;
    ExportPlan currentView;
    currentView.viewsFolder = (root / "current").string();
    for (const std::string& file : WriteExports(CurrentViewOnly(project, kind), currentView).views) {
        const std::string name = fs::path(file).filename().string();
        if (kind == "worksheet" ? name.starts_with("worksheet-") : current.empty() || name != "plan-story-0.svg")
            current = name;
    }
    ExportPlan everything;
    everything.viewsFolder = (root / "views").string();
    everything.modelFolder = (root / "model").string();
    const ExportsWritten written = WriteExports(project, everything);
    json views = json::array();
    for (const std::string& file : written.views) {
        const std::string name = fs::path(file).filename().string();
        std::string title = fs::path(file).stem().string();
        if (title.starts_with("plan-story-"))
            title = "Floor plan " + title.substr(11);
        else if (title.starts_with("worksheet-"))
            title = "Worksheet " + title.substr(10);
        views.push_back({{"file", name}, {"title", title}});
    }
    if (std::none_of(views.begin(), views.end(), [&](const json& view) { return view["file"] == current; }) && !views.empty())
        current = views[0]["file"].get<std::string>();
    const bool hasModel = !written.model.empty();

    json undo = json::array();
    for (const json& step : project.value("undoSteps", json::array()))
        undo.push_back(step.value("name", std::string()));
    json redo = json::array();
    for (const UndoStep& step : simulator.GetProject().RedoSteps())
        redo.push_back(step.name);
    int meshes = 0;
    for (const json& element : project.value("elements", json::array()))
        meshes += element.value("type", std::string()) == "mesh" ? 1 : 0;

    stateJson = json{{"revision", revision},
                     {"calls", calls},
                     {"elements", project.value("elements", json::array()).size()},
                     {"layers", project.value("layers", json::array()).size()},
                     {"meshes", meshes},
                     {"model", hasModel},
                     {"views", views},
                     {"currentView", current},
                     {"undo", undo},
                     {"redo", redo}}
                    .dump(-1, ' ', false, json::error_handler_t::replace);
    exported = revision;
}

HostWindowReply HostWindow::Answer(const std::string& method, const std::string& path)
{
    std::string file = path.substr(0, path.find_first_of("?#"));
    if (method == "POST" && (file == "/action/undo" || file == "/action/redo")) {
        const bool undo = file == "/action/undo";
        const int done = undo ? simulator.Undo(1) : simulator.Redo(1);
        if (done > 0)
            ++revision;
        if (actionObserver)
            actionObserver({{undo ? "undo" : "redo", 1}});
        return JsonReply({{"done", done}});
    }
    if (method == "POST" && (file == "/action/theme/dark" || file == "/action/theme/light")) {
        const Int16 appearance = file == "/action/theme/dark" ? 1 : 0;
        simulator.SetAppearance(appearance);
        if (actionObserver)
            actionObserver({{"appearance", appearance}});
        return JsonReply({{"appearance", appearance}});
    }
    // The project events the add-on listens to: a new project, one with reset, an opened one.
    if (method == "POST" && (file == "/action/event/1" || file == "/action/event/2" || file == "/action/event/4")) {
        const Int32 event = file.back() - '0';
        simulator.ProjectEvent(event);
        ++revision;
        if (actionObserver)
            actionObserver({{"event", event}});
        return JsonReply({{"event", event}});
    }
    if (method != "GET" && method != "HEAD")
        return {405, "text/plain; charset=utf-8", "method not allowed"};
    if (file == "/" || file.empty())
        file = "/index.html";
    if (file.starts_with("/project/")) {
        Export();
        if (file == "/project/state.json")
            return {200, "application/json", stateJson};
        if (file.starts_with("/project/views/"))
            return ServeFile(fs::path(workFolder) / "views", file.substr(15));
        if (file.starts_with("/project/model/"))
            return ServeFile(fs::path(workFolder) / "model", file.substr(15));
        return {};
    }
    if (file.starts_with("/three/"))
        return ServeFile(threeFolder, file.substr(7));
    return ServeFile(pageFolder, file.substr(1));
}

}  // namespace sim
