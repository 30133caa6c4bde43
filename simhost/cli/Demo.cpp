#include "cli/Demo.hpp"

#include <filesystem>
#include <map>

#include "export/Exports.hpp"
#include "host/AtomicFile.hpp"
#include "host/Encoding.hpp"
#include "host/HostFeatures.hpp"
#include "project/SavedFolders.hpp"
#include "SamplePlot.hpp"
#include "Simulator.hpp"

namespace sim {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The page's side: grid coordinates become plan coordinates relative to the survey point.
class Page {
public:
    Page(Simulator& simulator, std::ostream& out) : simulator(simulator), out(out) {}

    CallResult Call(const std::string& name, const json& args)
    {
        CallResult result = simulator.Call(name, args);
        std::string reply = !result.found ? "(not found)" : result.reply.is_string() ? result.Text() : result.reply.dump();
        if (reply.size() > 150)
            reply = reply.substr(0, 147) + "...";
        out << "  " << name << ": " << reply << "\n";
        ++calls;
        return result;
    }

    void SetFrame(double eastings, double northings)
    {
        frameEastings = eastings;
        frameNorthings = northings;
    }

    json Xy(const samples::Point2& grid) const { return json::array({grid.first - frameEastings, grid.second - frameNorthings}); }

    json Ring(const std::vector<samples::Point2>& grid) const
    {
        json ring = json::array();
        for (const auto& p : grid)
            ring.push_back(Xy(p));
        return ring;
    }

    std::string XyLines(const std::vector<samples::Point2>& grid) const
    {
        std::string text;
        for (const auto& p : grid)
            text += samples::DecimalText(p.first - frameEastings, 3) + ' ' +
                    samples::DecimalText(p.second - frameNorthings, 3) + '\n';
        return text;
    }

    std::string XyzLines(const std::vector<samples::Point3>& grid) const
    {
        return samples::TerrainPointsText(grid, frameEastings, frameNorthings);
    }

    int calls = 0;

private:
    Simulator& simulator;
    std::ostream& out;
    double frameEastings = 0.0;
    double frameNorthings = 0.0;
};

json CadastreLayers(const Page& page, const samples::SamplePlot& plot)
{
    json layers = json::array();
    for (const auto& layer : plot.cadastre) {
        json items = json::array();
        for (const auto& line : layer.lines)
            items.push_back(page.Ring(line));
        for (const auto& text : layer.texts) {
            json item = page.Xy(text.at);
            item.push_back(text.size);
            item.push_back(text.text);
            items.push_back(item);
        }
        for (const auto& point : layer.points)
            items.push_back(page.Xy(point));
        layers.push_back(json::array({layer.name, layer.pen, layer.lineType, layer.kind, items}));
    }
    return layers;
}

json Buildings(const Page& page, const samples::SamplePlot& plot)
{
    json buildings = json::array();
    for (const auto& building : plot.buildings) {
        std::vector<samples::Point3> roof = building.roofPoints;
        buildings.push_back(json::array(
            {page.XyLines(building.footprint), building.baseElevation, building.topElevation, page.XyzLines(roof)}));
    }
    return buildings;
}

std::string Summary(const json& project, const std::vector<std::string>& files)
{
    std::map<std::string, int> byKind;
    for (const auto& element : project.value("elements", json::array()))
        ++byKind[element.value("type", std::string("?"))];
    std::string text = "Placed elements:";
    for (const auto& [kind, count] : byKind)
        text += " " + kind + " " + std::to_string(count) + ",";
    text.back() = '\n';
    text += "Undo steps:";
    for (const auto& step : project.value("undoSteps", json::array()))
        text += " \"" + step.value("name", std::string()) + "\"";
    text += "\nLayers: " + std::to_string(project.value("layers", json::array()).size()) +
            ", surfaces: " + std::to_string(project.value("surfaces", json::array()).size()) +
            ", worksheets: " + std::to_string(project.value("worksheets", json::array()).size()) + "\n";
    text += "Written:\n";
    for (const auto& file : files)
        text += "  " + file + "\n";
    return text;
}

}  // namespace

int RunDemo(const DemoOptions& options, std::ostream& out, std::ostream& err)
{
    std::error_code error;
    fs::create_directories(options.outFolder, error);
    const fs::path outFolder = fs::absolute(options.outFolder, error).lexically_normal();
    if (error || !fs::is_directory(outFolder)) {
        err << "landfetch-host demo: cannot create the folder " << options.outFolder << "\n";
        return 2;
    }

    const samples::SamplePlot plot = samples::GenerateSamplePlot();
    const std::string projectName = "Pruhonice-" + plot.parcelNumber.substr(plot.parcelNumber.find('/') + 1);
    const fs::path projectFile = outFolder / (projectName + ".json");
    out << "Sample plot: " << plot.name << ", parcel " << plot.parcelNumber << " (" << plot.terrainPoints.size()
        << " terrain points, " << plot.buildings.size() << " buildings)\n";

    // The project's own folders (embedded library, documents, temporary files) stay beside it, so
    // the saved project's texture files are still there for a later export.
    const fs::path projectFolders = outFolder / (projectName + "-files");
    // A new project each run; the texture files of the one it replaces go once it is saved.
    Simulator::Options simulatorOptions{options.apiVersion, options.modulePath, projectFolders.string()};
    simulatorOptions.browser = options.browser;
    simulatorOptions.webapp = options.webapp;
    simulatorOptions.headless = options.headless;
    Simulator simulator(simulatorOptions);
    // A new project, saved next to the outputs so that the report lands beside it.
    simulator.LoadProject({{"untitled", false}, {"projectFile", projectFile.string()}});
    simulator.SetUi({{"darkMode", false}, {"saveDialog", "accept"}});
    simulator.Start();
    simulator.MenuCommand(32500, 1);
    out << "Palette " << simulator.PaletteState() << ", page " << simulator.Address() << "\n";

    Page page(simulator, out);
    page.Call("GetVersion", json::array());
    if (HostFeatures::OffersAppearance(options.apiVersion))
        page.Call("GetAppearance", json::array());
    page.Call("GetAttributes", json::array());
    page.Call("SetSurveyPoint", json::array({plot.surveyEastings, plot.surveyNorthings, plot.surveyHeight, 1, plot.latitude, plot.longitude}));
    const json survey = json::parse(page.Call("GetSurveyPoint", json::array()).Text(), nullptr, false);
    if (!survey.is_object() || !survey.value("ok", false)) {
        err << "landfetch-host demo: the add-on did not report the survey point\n";
        return 1;
    }
    page.SetFrame(survey["eastings"].get<double>(), survey["northings"].get<double>());
    const double referenceElevation = survey["height"].get<double>();

    const json layers = CadastreLayers(page, plot);
    page.Call("PlaceCadastre", json::array({"worksheet", "Katastrální mapa", "KN 1", 0, layers}));
    const double half = plot.tileSize / 2.0;
    const json centre = page.Xy({plot.originEastings + half, plot.originNorthings + half});
    page.Call("PlaceOrthophoto", json::array({EncodeBase64(plot.orthophoto.bytes), plot.tileSize, plot.tileSize, centre[0], centre[1], 1, 1, 0,
                                  0, "Ortofoto ČÚZK", "plan", "", "", 0}));
    page.Call("PlaceCadastre", json::array({"plan", "", "", 0, layers}));
    const std::string drape = EncodeBase64(plot.drapeTexture.bytes);
    page.Call("PlaceTerrain", json::array({"dmr5g", page.XyzLines(plot.terrainPoints), referenceElevation, page.Ring(plot.terrainOutline),
                               "", "", "", "", 0, drape, plot.tileSize, plot.tileSize}));
    page.Call("PlaceBuildings", json::array({Buildings(page, plot), referenceElevation, "", "", drape, plot.tileSize, plot.tileSize}));
    json pairs = json::array();
    for (const auto& [key, value] : plot.projectInfo)
        pairs.push_back(json::array({key, value}));
    page.Call("SetProjectInfo", json::array({pairs}));
    const json chosen = json::parse(page.Call("ChooseSaveFile", json::array({"Zpráva o pozemku " + projectName + ".txt"})).Text(), nullptr, false);
    const std::string reportTarget = chosen.is_object() && chosen.value("ok", false) ? chosen["path"].get<std::string>() : "report.txt";
    page.Call("SaveTextFile", json::array({reportTarget, plot.report}));

    const json project = simulator.SaveProject();
    ExportPlan plan = ExportPlan::AllIn(outFolder.string());
    plan.projectFile = projectFile.string();
    plan.projectIndent = 1;
    plan.projectSaved = true;
    ExportsWritten written;
    std::string summary;
    try {
        written = WriteExports(project, plan);
        written.files.push_back(reportTarget);
        summary = Summary(project, written.files);
        WriteFileAtomically(outFolder / "summary.txt", summary);
    } catch (const std::runtime_error& failure) {
        err << "landfetch-host demo: " << failure.what() << "\n";
        return 2;
    }
    for (const std::string& warning : written.warnings)
        err << "landfetch-host: warning: " << warning << "\n";
    out << page.calls << " calls made.\n" << summary;
    return 0;
}

}  // namespace sim
