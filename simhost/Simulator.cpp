#include "Simulator.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "AppearanceManager/DGAppearanceManager.hpp"
#include "browser/ChromiumBrowserControl.hpp"
#include "DefaultProgramRunner.hpp"
#include "DGDialog.hpp"
#include "DGFileDialog.hpp"
#include "DGModule.hpp"
#include "host/BrowserControl.hpp"
#include "host/FunctionTable.hpp"
#include "host/Loader.hpp"
#include "host/OperationOwners.hpp"
#include "host/Operations.hpp"
#include "host/Shell.hpp"
#include "project/Project.hpp"

namespace sim {

namespace {

std::string MakeTemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "landfetch-host-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw Error("cannot create a temporary work folder under " + std::filesystem::temp_directory_path().string());
    return pattern;
}

std::string PathText(const IO::Location& location)
{
    GS::UniString path;
    location.ToPath(&path);
    return path.ToUtf8();
}

// The file the save dialog proposes: a bare name is meant inside the dialog's folder.
IO::Location ProposedFile(const DG::FileDialog& dialog)
{
    IO::Location proposed = dialog.GetProposedFile();
    std::string path = PathText(proposed);
    if (path.empty() || path.find_first_of("/\\") != std::string::npos || dialog.GetFolder().IsEmpty())
        return proposed;
    IO::Location inFolder = dialog.GetFolder();
    inFolder.AppendToLocal(IO::Name(GS::UniString(path.c_str(), CC_UTF8)));
    return inFolder;
}

std::unique_ptr<BrowserControl> MakeBrowserControl(const Simulator::Options& options)
{
    if (options.browser.empty() || options.browser == "record")
        return std::make_unique<BrowserControl>();
    if (options.browser == "chromium")
        return std::make_unique<ChromiumBrowserControl>(ChromiumSettings{options.webapp, options.headless, nullptr});
    throw Error("unknown browser control \"" + options.browser + "\" (record or chromium)");
}

}  // namespace

// Each host operation is carried out by the part, and its member, that the owner table names.
#define SIM_FORWARD_OPERATION(name, params, args) \
    GSErrCode Operations::name params { return this->SIM_OWNER_PART(name).SIM_OWNER_MEMBER(name) args; }
API_HOST_OPERATIONS(SIM_FORWARD_OPERATION)
#undef SIM_FORWARD_OPERATION

struct Simulator::Impl {
    explicit Impl(const Options& options) : browserControl(MakeBrowserControl(options)), browser(*browserControl) {}

    Options options;
    std::string workFolder;
    bool ownsWorkFolder = false;
    Project project;
    Shell shell;
    std::unique_ptr<BrowserControl> browserControl;
    BrowserControl& browser;
    Operations operations{shell, browser, project};
    nlohmann::json ui = nlohmann::json::object();
    std::vector<std::string> chosenPaths;
    std::string lastCallException;
    std::unique_ptr<FunctionTable> table;
    Loader loader;
    // Only their addresses matter: two distinct, non-null tokens.
    char contextToken = 'c';
    char registrationToken = 'r';

    DG::BrowserBase* PaletteBrowser() const
    {
        if (shell.Palettes().empty())
            return nullptr;
        return BrowserControl::FindPaletteBrowser(shell.Palettes().front().guid);
    }

    const BrowserState* PaletteBrowserState() const
    {
        DG::BrowserBase* palette = PaletteBrowser();
        return palette != nullptr ? browser.Find(palette) : nullptr;
    }

    bool AnswerFileDialog(DG::FileDialog& dialog)
    {
        std::string answer = ui.value("saveDialog", std::string("accept"));
        if (answer == "cancel")
            return false;
        IO::Location chosen =
            answer == "accept" ? ProposedFile(dialog) : IO::Location(GS::UniString(answer.c_str(), CC_UTF8));
        if (chosen.IsEmpty())
            return false;
        dialog.SetSelectedFile(chosen);
        chosenPaths.push_back(PathText(chosen));
        return true;
    }
};

Simulator::Simulator(Options options) : impl(std::make_unique<Impl>(options))
{
    if (!landfetch::IsHostApiVersion(options.apiVersion))
        throw Error("unsupported host API version " + std::to_string(options.apiVersion));
    impl->options = std::move(options);
    if (impl->options.modulePath.empty())
        impl->options.modulePath = DefaultModulePath(impl->options.apiVersion);
    if (impl->options.workFolder.empty()) {
        impl->workFolder = MakeTemporaryFolder();
        impl->ownsWorkFolder = true;
    } else {
        impl->workFolder = impl->options.workFolder;
        std::filesystem::create_directories(impl->workFolder);
    }
    impl->project.SetWorkFolder(impl->workFolder);
    impl->project.SetModuleApiVersion(impl->options.apiVersion);
}

Simulator::~Simulator()
{
    // Also runs while a failure unwinds: a second one must not end the process.
    try {
        Shutdown(false);
    } catch (...) {
    }
    if (impl->ownsWorkFolder) {
        std::error_code ignored;
        std::filesystem::remove_all(impl->workFolder, ignored);
    }
}

void Simulator::LoadProject(const nlohmann::json& projectFile)
{
    impl->project.Load(projectFile);
}

nlohmann::json Simulator::SaveProject() const
{
    return impl->project.Save();
}

Project& Simulator::GetProject()
{
    return impl->project;
}

void Simulator::SetUi(const nlohmann::json& ui)
{
    if (ui.is_null()) {
        impl->ui = nlohmann::json::object();
    } else {
        if (!ui.is_object())
            throw Error("\"ui\" must be an object");
        if (ui.contains("darkMode") && !ui["darkMode"].is_boolean())
            throw Error("\"ui.darkMode\" must be true or false");
        if (ui.contains("saveDialog") && !ui["saveDialog"].is_string())
            throw Error("\"ui.saveDialog\" must be \"accept\", \"cancel\" or a path");
        impl->ui = ui;
    }
    if (IsStarted())
        DG::SetDarkMode(impl->ui.value("darkMode", false));
}

void Simulator::Start()
{
    if (IsStarted())
        return;
    Impl& state = *impl;
    state.shell.SetModulePath(state.options.modulePath);
    DG::SetDarkMode(state.ui.value("darkMode", false));
    DG::SetFileDialogAnswerer([&state](DG::FileDialog& dialog) { return state.AnswerFileDialog(dialog); });
    OSUtils::ClearOpenedAddresses();
    DBClearPrintedText();

    state.loader.Open(state.options.modulePath, state.options.apiVersion);
    state.table = std::make_unique<FunctionTable>(state.options.apiVersion, state.operations, state.project.faultPlan);
    try {
        state.loader.Start(state.table->Data(), &state.registrationToken, &state.contextToken);
    } catch (...) {
        state.table.reset();
        DG::SetFileDialogAnswerer(nullptr);
        throw;
    }
}

void Simulator::Shutdown(bool abnormal)
{
    if (!impl->loader.IsOpen())
        return;
    if (!abnormal)
        impl->loader.Free();
    // The registered objects hold the module's code: they go before it does.
    impl->browser.Clear();
    impl->loader.Unload();
    impl->table.reset();
    DG::SetFileDialogAnswerer(nullptr);
}

bool Simulator::IsStarted() const
{
    return impl->loader.IsStarted();
}

GSErrCode Simulator::MenuCommand(Int16 menuResId, Int32 itemIndex)
{
    return impl->shell.MenuCommand(menuResId, itemIndex);
}

GSErrCode Simulator::PaletteMessage(Int32 messageId, bool* answer)
{
    return impl->shell.PaletteMessage(messageId, answer);
}

GSErrCode Simulator::ProjectEvent(Int32 eventId)
{
    return impl->shell.ProjectEvent(eventId);
}

void Simulator::SetAppearance(Int16 appearance)
{
    DG::AppearanceManager::GetInstance().SetAppearance(appearance);
}

bool Simulator::ClosePaletteByUser()
{
    if (impl->shell.Palettes().empty())
        return false;
    DG::Palette* palette = DG::Palette::Find(APIGuid2GSGuid(impl->shell.Palettes().front().guid));
    return palette != nullptr && palette->RequestClose();
}

void Simulator::ResizePalette(Int32 horizontalChange, Int32 verticalChange)
{
    if (impl->shell.Palettes().empty())
        return;
    DG::Palette* palette = DG::Palette::Find(APIGuid2GSGuid(impl->shell.Palettes().front().guid));
    if (palette != nullptr)
        palette->UserResize(horizontalChange, verticalChange);
}

int Simulator::Undo(int steps)
{
    return impl->project.Undo(steps);
}

int Simulator::Redo(int steps)
{
    return impl->project.Redo(steps);
}

void Simulator::NewTab(const std::string& url)
{
    impl->browser.NewTab(impl->PaletteBrowser(), url);
}

bool Simulator::Navigate(const std::string& url)
{
    return impl->browser.Navigate(impl->PaletteBrowser(), url);
}

namespace {

CallResult ResultOf(PageReply page, std::string& lastCallException)
{
    lastCallException = std::move(page.exception);
    CallResult result;
    result.found = page.found;
    result.reply = std::move(page.reply);
    return result;
}

}  // namespace

CallResult Simulator::Call(const std::string& name, const nlohmann::json& args)
{
    return ResultOf(impl->browser.Call(impl->PaletteBrowser(), name, args), impl->lastCallException);
}

CallResult Simulator::CallJson(const std::string& name, std::string_view args)
{
    return ResultOf(impl->browser.CallJson(impl->PaletteBrowser(), name, args), impl->lastCallException);
}

nlohmann::json Simulator::EvaluateInPage(const std::string& script)
{
    return impl->browser.Evaluate(impl->PaletteBrowser(), script);
}

const std::string& Simulator::LastCallException() const
{
    return impl->lastCallException;
}

std::string Simulator::PaletteState() const
{
    if (impl->shell.Palettes().empty())
        return "none";
    const DG::Palette* palette = DG::Palette::Find(APIGuid2GSGuid(impl->shell.Palettes().front().guid));
    if (palette == nullptr)
        return "none";
    return palette->IsVisible() ? "visible" : "hidden";
}

bool Simulator::MenuChecked() const
{
    return impl->shell.MenuChecked();
}

std::string Simulator::Address() const
{
    const BrowserState* state = impl->PaletteBrowserState();
    return state != nullptr ? state->address : std::string();
}

int Simulator::PageLoads() const
{
    const BrowserState* state = impl->PaletteBrowserState();
    return state != nullptr ? state->pageLoads : 0;
}

std::vector<std::string> Simulator::TakeScripts()
{
    return impl->browser.TakeScripts();
}

std::vector<std::string> Simulator::TakeOpened()
{
    std::vector<std::string> opened;
    for (const GS::UniString& address : OSUtils::GetOpenedAddresses())
        opened.push_back(address.ToUtf8());
    OSUtils::ClearOpenedAddresses();
    return opened;
}

const std::string& Simulator::WorkFolder() const
{
    return impl->workFolder;
}

int Simulator::ApiVersion() const
{
    return impl->options.apiVersion;
}

const std::string& Simulator::ModulePath() const
{
    return impl->options.modulePath;
}

const std::vector<std::string>& Simulator::ChosenPaths() const
{
    return impl->chosenPaths;
}

const Loader& Simulator::GetLoader() const
{
    return impl->loader;
}

const FunctionTable* Simulator::GetFunctionTable() const
{
    return impl->table.get();
}

Shell& Simulator::GetShell()
{
    return impl->shell;
}

BrowserControl& Simulator::GetBrowser()
{
    return impl->browser;
}

std::string DefaultModulePath(int apiVersion)
{
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path folder = error ? std::filesystem::current_path() : executable.parent_path();
    return (folder / ("Orvani_Landfetch_" + std::to_string(apiVersion) + ".so")).string();
}

}  // namespace sim
