#include "cli/Cli.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <locale>
#include <optional>

#include <CLI/CLI.hpp>

#include "cli/Browse.hpp"
#include "cli/Demo.hpp"
#include "cli/Scenario.hpp"
#include "export/Exports.hpp"
#include "host/PageValues.hpp"
#include "host/Shell.hpp"
#include "HostApiVersions.hpp"
#include "project/SavedFolders.hpp"
#include "Simulator.hpp"

namespace sim {

namespace {

// The shell's exit statuses.
constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitNotFound = 3;
constexpr int ExitBrowserGone = 4;

constexpr const char* DefaultOutFolder = "./landfetch-out";

struct Settings {
    int api = landfetch::DefaultHostApiVersion;
    bool apiGiven = false;
    std::string module;
    std::string project;
    std::string save;
    std::string out;
    std::string callName;
    std::vector<std::string> callArgs;
    std::string scenario;
    std::string browser = "record";
    std::string webapp;
    bool headless = false;
    std::string record;
};

// The command line's arguments as the page's JSON array: each as written when it reads as JSON,
// else as a text.
std::string ArgumentsJson(const std::vector<std::string>& args)
{
    std::string json = "[";
    for (const std::string& arg : args) {
        if (json.size() > 1)
            json += ',';
        if (IsJsonText(arg))
            json += arg;
        else  // bytes that are not UTF-8 become U+FFFD, as the page's texts would
            json += nlohmann::json(GS::UniString(arg.data(), static_cast<UInt32>(arg.size()), CC_UTF8).ToUtf8()).dump();
    }
    return json + "]";
}

std::vector<std::string> WriteAllExports(const nlohmann::json& project, const std::string& outDir, std::ostream& err)
{
    ExportsWritten written = WriteExports(project, ExportPlan::AllIn(outDir));
    for (const std::string& warning : written.warnings)
        err << "landfetch-host: warning: " << warning << "\n";
    return written.files;
}

// The arguments up to the command, and for `call` up to its NAME.
int ParsedArgumentCount(int argc, char** argv)
{
    const std::vector<std::string> withValue = {"--api", "--module", "--project", "--save", "--out", "--browser", "--webapp", "--record"};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (std::find(withValue.begin(), withValue.end(), arg) != withValue.end())
            ++i;
        else if (!arg.starts_with("-"))
            return arg == "call" ? std::min(i + 2, argc) : argc;
    }
    return argc;
}

class Command {
public:
    Command(const Settings& settings, std::ostream& out, std::ostream& err) : settings(settings), out(out), err(err) {}

    int Call()
    {
        Simulator simulator(Options(settings.api));
        LoadProjectFile(simulator, std::nullopt);
        simulator.Start();
        return Session(simulator, [&] {
            OpenPalette(simulator);
            CallResult result = simulator.CallJson(settings.callName, ArgumentsJson(settings.callArgs));
            if (!result.found) {
                err << "landfetch-host: the page finds no function \"" << settings.callName << "\"\n";
                return ExitNotFound;
            }
            if (!simulator.LastCallException().empty()) {
                err << "landfetch-host: " << settings.callName << " raised " << simulator.LastCallException() << "\n";
                return ExitFailed;
            }
            out << (result.reply.is_string() ? result.reply.get<std::string>() : result.reply.dump()) << "\n";
            return ExitDone;
        });
    }

    int Run()
    {
        Scenario scenario = ReadScenario(settings.scenario);
        Simulator simulator(Options(settings.apiGiven ? settings.api : scenario.api.value_or(settings.api)));
        LoadProjectFile(simulator, scenario.project);
        simulator.SetUi(scenario.ui);
        simulator.Start();
        return Session(simulator, [&] {
            RunScenarioSteps(simulator, scenario, out);
            return ExitDone;
        });
    }

    int Browse()
    {
        Simulator::Options options = Options(settings.api);
        options.browser = "chromium";  // the page runs in a real browser, whatever --browser says
        Simulator simulator(options);
        LoadProjectFile(simulator, std::nullopt);
        BrowseOptions browse;
        browse.recordPath = settings.record;
        if (!settings.record.empty() && !settings.project.empty())
            browse.startProject = simulator.SaveProject();
        simulator.Start();
        return Session(simulator, [&] {
            RunBrowse(simulator, browse, out, err);
            return ExitDone;
        });
    }

    int Export()
    {
        if (settings.project.empty())
            throw Error("export needs --project FILE");
        Simulator simulator(Options(settings.api));
        LoadProjectFile(simulator, std::nullopt);
        if (!settings.save.empty())
            SaveProjectFile(settings.save, simulator.SaveProject());
        std::string outDir = settings.out.empty() ? DefaultOutFolder : settings.out;
        for (const std::string& file : WriteAllExports(simulator.SaveProject(), outDir, err))
            out << file << "\n";
        return ExitDone;
    }

    // Loads the module build as `call` would and asks it for its version.
    int Version()
    {
        out << "landfetch-host " << LANDFETCH_VERSION << "\n";
        Simulator::Options options = Options(settings.api);
        options.browser = "record";  // the module's own answer; no page needed
        Simulator simulator(options);
        out << "module: " << std::filesystem::absolute(simulator.ModulePath()).lexically_normal().string() << "\n";
        out.flush();
        simulator.Start();
        OpenPalette(simulator);
        CallResult result = simulator.CallJson("GetVersion", "[]");
        if (!result.found || !result.reply.is_string() || !simulator.LastCallException().empty())
            throw Error(simulator.ModulePath() + ": the add-on gives no version");
        out << "add-on version: " << result.reply.get<std::string>() << "\n";
        out << "host API version: " << simulator.ApiVersion() << "\n";
        simulator.Shutdown();
        return ExitDone;
    }

    Simulator::Options SimulatorOptions(int api) const { return Options(api); }

private:
    // A project that is saved keeps its folders beside its file; otherwise they live in a
    // temporary folder that goes with the run.
    Simulator::Options Options(int api) const
    {
        Simulator::Options options;
        options.apiVersion = api;
        options.modulePath = settings.module;
        if (!settings.save.empty()) {
            const std::filesystem::path folders = FoldersBeside(settings.save);
            std::error_code error;
            std::filesystem::create_directories(folders, error);
            if (error || !std::filesystem::is_directory(folders))
                throw Error(folders.string() + ": cannot create the project's folder beside --save" +
                            (error ? " (" + error.message() + ")" : std::string()));
            options.workFolder = folders.string();
        }
        options.browser = settings.browser;
        options.webapp = settings.webapp;
        // Without a display there is no window to show.
        options.headless = settings.headless || (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr);
        return options;
    }

    // --project wins over a scenario's own project.
    void LoadProjectFile(Simulator& simulator, const std::optional<nlohmann::json>& fallback) const
    {
        nlohmann::json project;
        if (!settings.project.empty())
            project = ReadJsonFile(settings.project);
        else if (fallback && !fallback->is_null())
            project = *fallback;
        else
            return;
        for (const std::string& missing : MissingLibraryFiles(project))
            err << "landfetch-host: warning: " << missing << "\n";
        if (!settings.save.empty())
            project = MoveFoldersInto(std::move(project), FoldersBeside(settings.save));
        simulator.LoadProject(project);
    }

    // As the user does: the add-on's own menu command, item 1.
    static void OpenPalette(Simulator& simulator)
    {
        const std::vector<Menu>& menus = simulator.GetShell().Menus();
        if (!menus.empty())
            simulator.MenuCommand(menus.front().resId, 1);
    }

    // What the page did before its browser went is the user's work: it is saved all the same.
    int Session(Simulator& simulator, const std::function<int()>& work) const
    {
        int status = ExitDone;
        try {
            status = work();
        } catch (const BrowserGoneError& gone) {
            try {
                Finish(simulator);
            } catch (const Error& failure) {
                throw Error(std::string(failure.what()) + " (after " + gone.what() + ")");
            }
            err << "landfetch-host: " << gone.what()
                << (settings.save.empty() ? std::string() : "; the project is saved in " + settings.save) << "\n";
            return ExitBrowserGone;
        }
        Finish(simulator);
        return status;
    }

    // The reply and the step lines are out before any file is written, so a failing write
    // cannot take them with it.
    void Finish(Simulator& simulator) const
    {
        out.flush();
        if (!settings.save.empty())
            SaveProjectFile(settings.save, simulator.SaveProject());
        if (!settings.out.empty())
            WriteAllExports(simulator.SaveProject(), settings.out, err);
        simulator.Shutdown();
        if (std::string debug = DBGetPrintedText(); !debug.empty())
            err << debug << (debug.back() == '\n' ? "" : "\n");
    }

    const Settings& settings;
    std::ostream& out;
    std::ostream& err;
};

int RunCommand(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    Settings settings;
    CLI::App app("A host for the Orvani Landfetch add-on: loads a module build, acts as the user and the page.",
                 "landfetch-host");
    app.fallthrough();
    app.require_subcommand(0, 1);
    bool version = false;
    app.add_flag("--version", version, "print the simulator's version, the module build it would load, its add-on and host API versions");
    CLI::Option* api =
        app.add_option("--api", settings.api,
                       std::string("host API version (") + landfetch::HostApiVersionWords + "; default " +
                           std::to_string(landfetch::DefaultHostApiVersion) + ")")
            ->check(CLI::IsMember(std::vector<int>(landfetch::HostApiVersions.begin(), landfetch::HostApiVersions.end())));
    app.add_option("--module", settings.module, "module build (default: the one of --api next to this program)");
    app.add_option("--project", settings.project, "project file loaded before the command");
    app.add_option("--save", settings.save, "project file written after the command");
    app.add_option("--out", settings.out, "folder for exports (default for export: ./landfetch-out)");
    app.add_option("--browser", settings.browser, "the palette's browser: record (default) or chromium")
        ->check(CLI::IsMember({"record", "chromium"}));
    app.add_option("--webapp", settings.webapp,
                   "chromium: the web application, a folder or http://127.0.0.1:PORT (default: the reference one)");
    app.add_flag("--headless", settings.headless, "chromium: show no window");

    CLI::App* call = app.add_subcommand("call", "open the palette, make one ACAPI call, print the reply");
    call->add_option("NAME", settings.callName, "the ACAPI function")->required();
    call->footer("ARG...: arguments after NAME, each JSON or else a text");
    CLI::App* run = app.add_subcommand("run", "run a scenario file, print one JSON line per step");
    run->add_option("SCENARIO", settings.scenario, "scenario file")->required();
    CLI::App* exportCommand = app.add_subcommand("export", "write the exports of --project to --out");
    CLI::App* demo = app.add_subcommand("demo", "place the embedded sample plot into a new project");
    CLI::App* browse = app.add_subcommand(
        "browse", "open the palette in Chromium with the page (--webapp DIR|URL) and a live host window; --headless for tests");
    browse->add_option("--record", settings.record, "write the session as a scenario file that `run` replays");

    // The call's arguments are taken as they stand: the parser's own list syntax would split "[1,2]".
    const int parsed = ParsedArgumentCount(argc, argv);
    settings.callArgs.assign(argv + parsed, argv + argc);
    try {
        app.parse(parsed, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return ExitDone;
    } catch (const CLI::ParseError& error) {
        err << "landfetch-host: " << error.what() << "\n";
        return ExitUsage;
    }
    settings.apiGiven = api->count() > 0;
    if (!version && app.get_subcommands().empty()) {
        err << "landfetch-host: a command is needed: demo, call, run, export or browse (--help lists them)\n";
        return ExitUsage;
    }

    Command command(settings, out, err);
    if (version)
        return command.Version();
    if (call->parsed())
        return command.Call();
    if (run->parsed())
        return command.Run();
    if (exportCommand->parsed())
        return command.Export();
    if (browse->parsed())
        return command.Browse();
    if (demo->parsed()) {
        DemoOptions options;
        options.apiVersion = settings.api;
        options.modulePath = settings.module;
        options.outFolder = settings.out.empty() ? DefaultOutFolder : settings.out;
        const Simulator::Options simulatorOptions = command.SimulatorOptions(settings.api);
        options.browser = simulatorOptions.browser;
        options.webapp = simulatorOptions.webapp;
        options.headless = simulatorOptions.headless;
        return RunDemo(options, out, err);
    }
    return ExitUsage;
}

}  // namespace

int RunCli(int argc, char** argv)
{
    return RunCli(argc, argv, std::cout, std::cerr);
}

// Every failure ends here as one line and its status, whichever command and step it came from.
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    // The host may have given the process its user's locale; what we print keeps "." and no grouping.
    out.imbue(std::locale::classic());
    err.imbue(std::locale::classic());
    try {
        return RunCommand(argc, argv, out, err);
    } catch (const BrowserGoneError& gone) {
        err << "landfetch-host: " << gone.what() << "\n";
        return ExitBrowserGone;
    } catch (const Error& error) {
        err << "landfetch-host: " << error.what() << "\n";
        return ExitUsage;
    } catch (const GS::GSException& exception) {
        err << "landfetch-host: the add-on raised " << exception.GetName() << " (" << exception.GetErrCode() << ")\n";
        return ExitFailed;
    } catch (const std::exception& exception) {
        err << "landfetch-host: " << exception.what() << "\n";
        return ExitFailed;
    } catch (...) {
        err << "landfetch-host: the command ended with an unknown exception\n";
        return ExitFailed;
    }
}

}  // namespace sim
