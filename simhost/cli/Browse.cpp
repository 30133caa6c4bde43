#include "cli/Browse.hpp"

#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

#include "browser/ChromiumBrowserControl.hpp"
#include "cli/BrowseSideWindow.hpp"
#include "cli/CallLog.hpp"
#include "cli/HostWindow.hpp"
#include "cli/SessionRecording.hpp"
#include "host/Shell.hpp"
#include "Simulator.hpp"

namespace sim {

namespace {

// An address that can never be fetched: every request to it is answered by the simulator.
constexpr const char* HostWindowAddress = "https://host.landfetch.invalid/index.html";

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int)
{
    stopRequested = 1;
}

// Ctrl-C and SIGTERM end the session normally (the project is then saved), for as long as it runs.
class StopSignals {
public:
    StopSignals()
    {
        stopRequested = 0;
        previousInt = std::signal(SIGINT, RequestStop);
        previousTerm = std::signal(SIGTERM, RequestStop);
    }
    ~StopSignals()
    {
        std::signal(SIGINT, previousInt);
        std::signal(SIGTERM, previousTerm);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void (*previousInt)(int) = SIG_DFL;
    void (*previousTerm)(int) = SIG_DFL;
};

}  // namespace

void RunBrowse(Simulator& simulator, const BrowseOptions& options, std::ostream& out, std::ostream& err)
{
    auto* chromium = dynamic_cast<ChromiumBrowserControl*>(&simulator.GetBrowser());
    if (chromium == nullptr)
        throw Error("browse needs the Chromium browser control");
    StopSignals signals;

    const std::filesystem::path source = LANDFETCH_SOURCE_DIR;
    HostWindow hostWindow(simulator, (source / "simhost/cli/hostwindow").string(),
                          (source / "tools/node_modules/three").string(),
                          (std::filesystem::path(simulator.WorkFolder()) / "host-window").string());
    struct ObserverReset {
        ChromiumBrowserControl* control;
        ~ObserverReset() { control->SetCallObserver(nullptr); }
    } observerReset{chromium};
    std::optional<SessionRecording> recording;
    if (!options.recordPath.empty()) {
        // Known before the session, without replacing an older recording yet.
        const std::filesystem::path folder = std::filesystem::absolute(options.recordPath).parent_path();
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error) || access(folder.c_str(), W_OK) != 0)
            throw Error(options.recordPath + ": the recording cannot be written there (no such folder, or not writable)");
        recording.emplace(options.recordPath, simulator.ApiVersion(), options.startProject);
        hostWindow.SetActionObserver([&](const nlohmann::ordered_json& step) { recording->Add(step); });
    }
    BrowseSideWindow sideWindow(*chromium);
    LogPageCalls(*chromium, [&](const std::string& name, const nlohmann::json& args, const PageReply& reply) {
        const nlohmann::json shown = reply.exception.empty() ? reply.reply : nlohmann::json("raised " + reply.exception);
        if (recording)
            recording->AddCall(name, args);
        out << CallLine(name, args, shown) << std::endl;
        hostWindow.CallMade();
        sideWindow.Post(HostWindow::RefreshScript());
    });

    // As the user does: the add-on's own menu command opens the palette and its page.
    const std::vector<Menu>& menus = simulator.GetShell().Menus();
    if (menus.empty())
        throw Error("the add-on registered no menu command");
    if (recording)
        recording->Add({{"menu", {menus.front().resId, 1}}});
    simulator.MenuCommand(menus.front().resId, 1);
    chromium->Pump(std::chrono::milliseconds(0));
    // The host window's requests can still arrive while the simulator shuts down, after the
    // session's objects are gone.
    auto sessionOpen = std::make_shared<bool>(true);
    struct SessionEnd {
        std::shared_ptr<bool> open;
        ~SessionEnd() { *open = false; }
    } sessionEnd{sessionOpen};
    sideWindow.Open(HostWindowAddress,
                    [&hostWindow, sessionOpen](const std::string& method, const std::string& pathAndQuery) {
                        if (!*sessionOpen)
                            return WebAppResponse{503, "text/plain; charset=utf-8", "the session has ended"};
                        HostWindowReply reply = hostWindow.Answer(method, pathAndQuery);
                        return WebAppResponse{reply.status, reply.mime, std::move(reply.body)};
                    },
                    1000, 700);
    if (!std::filesystem::is_regular_file(source / "tools/node_modules/three/build/three.module.js"))
        err << "landfetch-host: the host window shows no 3D model without three.js: scripts/setup.sh installs it\n";
    out << "browse: the palette shows " << simulator.Address() << "; close it or press Ctrl-C to end" << std::endl;

    const auto writeRecording = [&] {
        if (!recording)
            return;
        recording->Write();
        out << "browse: recorded " << recording->StepCount() << " steps in " << options.recordPath << std::endl;
    };
    try {
        while (stopRequested == 0 && chromium->PaletteShown())
            chromium->Pump(std::chrono::milliseconds(200));
    } catch (const BrowserGoneError&) {
        writeRecording();
        out << "browse: ended" << std::endl;
        throw;  // the caller saves, then says so
    } catch (const Error& failure) {
        err << "landfetch-host: " << failure.what() << "\n";
    }
    writeRecording();
    out << "browse: ended" << std::endl;
}

}  // namespace sim
