#include "Browse.hpp"

#include <csignal>
#include <filesystem>
#include <ostream>

#include "CallLog.hpp"
#include "Shell.hpp"
#include "Simulator.hpp"
#include "browser/ChromiumBrowserControl.hpp"
#include "browser/HostWindow.hpp"

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

void RunBrowse(Simulator& simulator, std::ostream& out, std::ostream& err)
{
    auto* chromium = dynamic_cast<ChromiumBrowserControl*>(&simulator.GetBrowser());
    if (chromium == nullptr)
        throw Error("browse needs the Chromium browser control");
    StopSignals signals;

    const std::filesystem::path source = LANDFETCH_SOURCE_DIR;
    HostWindow hostWindow(simulator, (source / "simhost/browser/hostwindow").string(),
                          (source / "tools/render/node_modules/three").string(),
                          (std::filesystem::path(simulator.WorkFolder()) / "host-window").string());
    struct ObserverReset {
        ChromiumBrowserControl* control;
        ~ObserverReset() { control->SetCallObserver(nullptr); }
    } observerReset{chromium};
    chromium->SetCallObserver([&](const std::string& name, const nlohmann::json& args, const PageReply& reply) {
        const nlohmann::json shown = reply.exception.empty() ? reply.reply : nlohmann::json("raised " + reply.exception);
        out << CallLine(name, args, shown) << std::endl;
        hostWindow.CallMade();
        chromium->PostToSideWindow(HostWindow::RefreshScript());
    });

    // As the user does: the add-on's own menu command opens the palette and its page.
    const std::vector<Menu>& menus = simulator.GetShell().Menus();
    if (menus.empty())
        throw Error("the add-on registered no menu command");
    simulator.MenuCommand(menus.front().resId, 1);
    chromium->Pump(std::chrono::milliseconds(0));
    chromium->OpenSideWindow(HostWindowAddress,
                             [&](const std::string& method, const std::string& pathAndQuery) {
                                 HostWindowReply reply = hostWindow.Answer(method, pathAndQuery);
                                 return WebAppResponse{reply.status, reply.mime, std::move(reply.body)};
                             },
                             1000, 700);
    if (!std::filesystem::is_regular_file(source / "tools/render/node_modules/three/build/three.module.js"))
        err << "landfetch-host: the host window shows no 3D model without three.js: (cd tools/render && npm install)\n";
    out << "browse: the palette shows " << simulator.Address() << "; close it or press Ctrl-C to end" << std::endl;

    try {
        while (stopRequested == 0 && chromium->PaletteShown())
            chromium->Pump(std::chrono::milliseconds(200));
    } catch (const BrowserGoneError&) {
        out << "browse: ended" << std::endl;
        throw;  // the caller saves, then says so
    } catch (const Error& failure) {
        err << "landfetch-host: " << failure.what() << "\n";
    }
    out << "browse: ended" << std::endl;
}

}  // namespace sim
