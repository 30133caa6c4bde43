// The add-on's shell through the simulator and each module build: menu command, palette messages,
// project events, theme, addresses leaving the page, and the ACAPI functions of the shell.

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include <nlohmann/json.hpp>

#include "AppearanceManager/DGAppearanceManager.hpp"
#include "DGDialog.hpp"
#include "host/BrowserControl.hpp"
#include "host/Shell.hpp"
#include "Simulator.hpp"
#include "ModuleSession.hpp"
#include "TestSupport.hpp"

namespace {

using nlohmann::json;
using Strings = std::vector<std::string>;

const std::string WebApp = LANDFETCH_WEBAPP_ADDRESS;
const std::string FilePrefix = LANDFETCH_OPEN_FILE_PREFIX;
const std::string ResyncScript = "window.acResyncProjectOrigin && window.acResyncProjectOrigin();";
const std::string DarkScript = "window.acSetTheme && window.acSetTheme('dark');";
const std::string LightScript = "window.acSetTheme && window.acSetTheme('light');";

class ShellHost : public test::ModuleSession {
public:
    explicit ShellHost(int api, bool darkMode = false)
        : test::ModuleSession(
              {.api = api, .ui = json{{"darkMode", darkMode}}, .palette = test::SessionSetup::Palette::Closed})
    {
        sim.TakeScripts();
        sim.TakeOpened();
    }

    void OpenPalette() { EXPECT_EQ(sim.PaletteMessage(6), NoError); }
    GSErrCode Menu() { return sim.MenuCommand(32500, 1); }

    bool VisibilityAnswer()
    {
        bool answer = true;
        EXPECT_EQ(sim.PaletteMessage(7, &answer), NoError);
        return answer;
    }
};

class EveryBuild : public testing::TestWithParam<int> {};
class ThemedBuild : public testing::TestWithParam<int> {};
class UnthemedBuild : public testing::TestWithParam<int> {};

}  // namespace

TEST_P(EveryBuild, StartUpRegistersMenuPaletteAndProjectEvents)
{
    ShellHost host(GetParam());
    const sim::Shell& shell = host.sim.GetShell();
    const sim::Menu* menu = shell.FindMenu(32500);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->promptResId, 0);
    EXPECT_EQ(menu->code, MenuCode_UserDef);
    EXPECT_EQ(menu->flags, 0u);
    EXPECT_NE(menu->handler, nullptr);

    ASSERT_EQ(shell.Palettes().size(), 1u);
    const sim::RegisteredPalette& palette = shell.Palettes().front();
    const GS::Guid guid("{8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F20}");
    EXPECT_EQ(palette.guid, GSGuid2APIGuid(guid));
    EXPECT_EQ(palette.flags, 0x3F7u);
    UInt32 words[4];
    std::memcpy(words, &GSGuid2APIGuid(guid), sizeof words);
    EXPECT_EQ(static_cast<UInt32>(palette.referenceId), words[0] + words[1] + words[2] + words[3]);

    EXPECT_TRUE(shell.HasProjectEventHandler());
    EXPECT_EQ(shell.ProjectEventMask(), 7u);
    EXPECT_FALSE(shell.KeepsInMemory());
}

TEST_P(EveryBuild, ThePaletteIsMadeFromItsDialogAndFilledByTheBrowser)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    ASSERT_EQ(DG::Palette::GetAll().size(), 1u);
    const DG::Palette& palette = *DG::Palette::GetAll().front();
    EXPECT_EQ(palette.GetResourceId(), 32500);
    EXPECT_EQ(palette.GetTitle(), "Orvani. Landfetch");
    EXPECT_EQ(palette.GetWidth(), 420);
    EXPECT_EQ(palette.GetHeight(), 640);
    ASSERT_EQ(palette.GetItems().size(), 1u);
    EXPECT_EQ(palette.GetItems().front()->GetId(), 1);
    EXPECT_TRUE(palette.IsProcessingEvents());
}

TEST_P(EveryBuild, MenuCommandCreatesHidesAndShowsTheSamePalette)
{
    ShellHost host(GetParam());
    EXPECT_EQ(host.sim.PaletteState(), "none");
    EXPECT_EQ(host.sim.PageLoads(), 0);

    Strings states;
    std::vector<bool> checked;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(host.Menu(), NoError);
        states.push_back(host.sim.PaletteState());
        checked.push_back(host.sim.MenuChecked());
    }
    EXPECT_EQ(states, (Strings{"visible", "hidden", "visible"}));
    EXPECT_EQ(checked, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(host.sim.PageLoads(), 1);
    EXPECT_EQ(host.sim.Address(), WebApp);
    EXPECT_TRUE(host.sim.GetShell().KeepsInMemory());
}

TEST_P(EveryBuild, OtherMenuItemsDoNothing)
{
    ShellHost host(GetParam());
    const sim::Shell& shell = host.sim.GetShell();
    const sim::Menu* menu = shell.FindMenu(32500);
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(menu->handler, nullptr);
    for (const auto& [resId, item] : std::vector<std::pair<Int16, Int32>>{{32500, 2}, {32500, 0}, {32000, 1}, {1, 1}}) {
        API_MenuParams params{};
        params.menuItemRef.menuResID = resId;
        params.menuItemRef.itemIndex = item;
        EXPECT_EQ(menu->handler(&params), NoError) << resId << "/" << item;
    }
    EXPECT_EQ(host.sim.PaletteState(), "none");
    EXPECT_FALSE(host.sim.GetShell().KeepsInMemory());
}

TEST_P(EveryBuild, PaletteMessagesFollowTheHostsMeaning)
{
    ShellHost host(GetParam());
    EXPECT_FALSE(host.VisibilityAnswer());
    for (Int32 message : {1, 2, 3})
        EXPECT_EQ(host.sim.PaletteMessage(message), NoError);
    EXPECT_EQ(host.sim.PaletteState(), "none");  // nothing to close, hide or show yet

    host.OpenPalette();
    EXPECT_EQ(host.sim.PaletteState(), "visible");
    EXPECT_TRUE(host.sim.MenuChecked());
    EXPECT_TRUE(host.VisibilityAnswer());

    host.sim.PaletteMessage(2);
    EXPECT_EQ(host.sim.PaletteState(), "hidden");
    EXPECT_FALSE(host.sim.MenuChecked());
    EXPECT_FALSE(host.VisibilityAnswer());
    host.sim.PaletteMessage(3);
    EXPECT_EQ(host.sim.PaletteState(), "visible");
    EXPECT_TRUE(host.sim.MenuChecked());

    // The end of a temporary hide shows the palette even when the user had hidden it before.
    host.Menu();
    host.sim.PaletteMessage(2);
    host.sim.PaletteMessage(3);
    EXPECT_EQ(host.sim.PaletteState(), "visible");

    host.sim.PaletteMessage(1);
    EXPECT_EQ(host.sim.PaletteState(), "hidden");
    EXPECT_FALSE(host.sim.MenuChecked());
    host.sim.PaletteMessage(1);
    EXPECT_EQ(host.sim.PaletteState(), "hidden");

    for (Int32 message : {4, 5, 8, -1})
        EXPECT_EQ(host.sim.PaletteMessage(message), NoError);
    EXPECT_EQ(host.sim.PaletteState(), "hidden");

    host.OpenPalette();
    EXPECT_EQ(host.sim.PaletteState(), "visible");
    EXPECT_EQ(host.sim.PageLoads(), 1);
}

TEST_P(EveryBuild, CloseBoxHidesAndTheNextMenuCommandShowsTheSamePage)
{
    ShellHost host(GetParam());
    host.Menu();
    EXPECT_TRUE(host.sim.ClosePaletteByUser());
    EXPECT_EQ(host.sim.PaletteState(), "hidden");
    EXPECT_FALSE(host.sim.MenuChecked());
    host.Menu();
    EXPECT_EQ(host.sim.PaletteState(), "visible");
    EXPECT_TRUE(host.sim.MenuChecked());
    EXPECT_EQ(host.sim.PageLoads(), 1);
}

TEST_P(EveryBuild, BrowserKeepsFillingAResizedPalette)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    ASSERT_EQ(DG::BrowserBase::GetAll().size(), 1u);
    const DG::BrowserBase& browser = *DG::BrowserBase::GetAll().front();
    const Int32 width = browser.GetWidth();
    const Int32 height = browser.GetHeight();
    EXPECT_EQ(width, browser.GetPanel().GetWidth());
    EXPECT_EQ(height, browser.GetPanel().GetHeight());

    host.sim.ResizePalette(80, -40);
    EXPECT_EQ(browser.GetWidth(), width + 80);
    EXPECT_EQ(browser.GetHeight(), height - 40);
}

TEST_P(EveryBuild, ProjectEventsResyncThePageOnlyOnceThePaletteExists)
{
    ShellHost host(GetParam());
    for (Int32 event : {1, 2, 4})
        EXPECT_EQ(host.sim.ProjectEvent(event), NoError);
    EXPECT_EQ(host.sim.TakeScripts(), Strings{});

    host.OpenPalette();
    host.sim.TakeScripts();
    for (Int32 event : {1, 2, 4, 8, 16, 32})
        EXPECT_EQ(host.sim.ProjectEvent(event), NoError);
    EXPECT_EQ(host.sim.TakeScripts(), (Strings{ResyncScript, ResyncScript, ResyncScript}));

    host.Menu();  // hidden: the page still hears of it
    host.sim.ProjectEvent(4);
    EXPECT_EQ(host.sim.TakeScripts(), Strings{ResyncScript});
}

TEST_P(EveryBuild, GetVersionAnswersWithOrWithoutArguments)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    for (const json& args : {json::array(), json::array({1, "x", json::array({2.5, nullptr}), true})}) {
        const sim::CallResult result = host.sim.Call("GetVersion", args);
        EXPECT_TRUE(result.found);
        EXPECT_EQ(result.reply, json(LANDFETCH_ADDON_VERSION));
    }
}

TEST_P(EveryBuild, TheACAPIObjectIsRegisteredOnceInTableOrder)
{
    ShellHost host(GetParam());
    EXPECT_FALSE(host.sim.Call("GetVersion", json::array()).found);  // no page before the palette
    host.OpenPalette();
    ASSERT_EQ(DG::BrowserBase::GetAll().size(), 1u);
    const sim::BrowserState* state = host.sim.GetBrowser().Find(DG::BrowserBase::GetAll().front());
    ASSERT_NE(state, nullptr);
    ASSERT_EQ(state->objects.size(), 1u);
    const auto& object = state->objects.at("ACAPI");

    Strings names;
    for (const auto& function : object->GetItemArray())
        names.push_back(function->GetName().ToUtf8());
    // The page relies on the order of these; later functions are appended.
    Strings expected{"GetVersion",     "GetAttributes",  "GetSurveyPoint", "SetSurveyPoint",
                     "PlaceOrthophoto", "PlaceCadastre", "PlaceTerrain",   "PlaceBuildings",
                     "ChooseSaveFile", "SaveTextFile",   "SetProjectInfo"};
    if (test::IsThemedBuild(GetParam()))
        expected.push_back("GetAppearance");
    ASSERT_GE(names.size(), expected.size());
    EXPECT_EQ(Strings(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
    EXPECT_EQ(names, test::FunctionsOfBuild(GetParam()));

    host.Menu();
    host.Menu();
    EXPECT_EQ(host.sim.GetBrowser().Find(DG::BrowserBase::GetAll().front())->objects.size(), 1u);
}

TEST_P(EveryBuild, ShutDownDestroysThePaletteQuietly)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    ASSERT_EQ(DG::Palette::GetAll().size(), 1u);
    DBClearPrintedText();
    host.sim.Shutdown(false);
    EXPECT_TRUE(DG::Palette::GetAll().empty());
    EXPECT_TRUE(DG::BrowserBase::GetAll().empty());
    EXPECT_EQ(DBGetPrintedText(), "");
}

TEST_P(EveryBuild, AbnormalShutDownLeavesTheTerminationMessage)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    DBClearPrintedText();
    host.sim.Shutdown(true);
    EXPECT_EQ(DBGetPrintedText(), "Abnormal add-on termination (\"" + host.sim.ModulePath() + "\")\n");
    EXPECT_TRUE(DG::Palette::GetAll().empty());
}

INSTANTIATE_TEST_SUITE_P(Builds, EveryBuild, testing::ValuesIn(landfetch::HostApiVersions));

TEST_P(ThemedBuild, AppearanceChangesRunTheThemeScript)
{
    ShellHost host(GetParam());
    host.sim.SetAppearance(1);
    EXPECT_EQ(host.sim.TakeScripts(), Strings{});  // no page yet

    host.OpenPalette();
    host.sim.TakeScripts();
    for (Int16 appearance : {1, 0, 2, 1})
        host.sim.SetAppearance(appearance);
    EXPECT_EQ(host.sim.TakeScripts(), (Strings{DarkScript, LightScript, LightScript, DarkScript}));
    EXPECT_EQ(DG::AppearanceManager::onAppearanceChanged.GetSubscriberCount(), 1u);

    host.sim.Shutdown(false);
    EXPECT_EQ(DG::AppearanceManager::onAppearanceChanged.GetSubscriberCount(), 0u);
    DG::AppearanceManager::GetInstance().SetAppearance(0);  // reaches no destroyed palette
}

TEST_P(ThemedBuild, GetAppearanceReadsTheThemeAtTheCall)
{
    ShellHost host(GetParam(), true);
    host.OpenPalette();
    EXPECT_EQ(host.sim.Call("GetAppearance", json::array()).reply, json("dark"));
    host.sim.SetAppearance(0);
    EXPECT_EQ(host.sim.Call("GetAppearance", json::array({"ignored"})).reply, json("light"));
}

TEST_P(ThemedBuild, NewTabsOpenOutsideThroughTheFilter)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    for (const std::string& url : Strings{"https://example.org/a?b#c", "", "mailto:podatelna@example.cz", FilePrefix + "/C:/Zpravy/parcela.txt",
          FilePrefix + "/home/jan/parcela.pdf", FilePrefix + "/C:/Windows/System32/calc.exe",
          "file:///C:/Windows/System32/calc.exe", "javascript:alert(1)", "ms-msdt:/id", FilePrefix + "/tmp/a.csv"})
        host.sim.NewTab(url);
    EXPECT_EQ(host.sim.TakeOpened(),
              (Strings{"https://example.org/a?b#c", "mailto:podatelna@example.cz", "file:///C:/Zpravy/parcela.txt",
                       "file:///home/jan/parcela.pdf", "file:///tmp/a.csv"}));
    EXPECT_EQ(host.sim.Address(), WebApp);
}

TEST_P(ThemedBuild, FileAddressesAreJudgedAfterTheirEscapesAreDecoded)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    // Each of these would reach a program, a remote share or a query once Windows makes a path of it.
    for (const std::string& path : Strings{"/C:/x/evil.exe%00.txt", "/C:/x/evil.exe%3F.txt", "/C:/x/evil.exe%3f.txt",
                                           "/C:/x/evil.exe%23.txt", "/C:/x/evil.exe%0A.txt", "/C:/x/evil%2Eexe",
                                           "/C:/x/a.txt?x", "/C:/x/a.txt#x", "/C:/x/evil.exe%", "/C:/x/evil.exe%2.txt",
                                           "/C:/x/a%C3.txt"})
        host.sim.NewTab(FilePrefix + path);
    EXPECT_EQ(host.sim.TakeOpened(), Strings{});

    // What is opened is the path that was judged.
    host.sim.NewTab(FilePrefix + "/C:/Zpr%C3%A1vy/a%20b%2Etxt");
    host.sim.NewTab(FilePrefix + "/C:/Slevy/50%25.pdf");
    EXPECT_EQ(host.sim.TakeOpened(), (Strings{"file:///C:/Zprávy/a b.txt", "file:///C:/Slevy/50%25.pdf"}));
}

TEST_P(ThemedBuild, OnlyLocalAbsoluteDocumentsOpen)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    for (const std::string& path : Strings{"//attacker.example/share/report.txt", "/%2F/attacker.example/share/report.txt",
                                           "/\\\\attacker.example\\share\\report.txt", "/%5C%5Cattacker\\share\\r.txt",
                                           "/C:report.txt", "/C:/x/y.exe:stream.txt", "/", "", "/C:/x/",
                                           "/C:/x/stranka.html", "/C:/x/stranka.htm", "/C:/x/data.xml",
                                           "/C:/x/stranka.HTML", "/C:/x/zprava.txt.", "/C:/x/zprava.txt%20"})
        host.sim.NewTab(FilePrefix + path);
    EXPECT_EQ(host.sim.TakeOpened(), Strings{});

    for (const char* type : {"txt", "pdf", "csv", "json", "png", "jpg", "jpeg", "tif", "tiff", "TXT", "Pdf"})
        host.sim.NewTab(FilePrefix + "/C:/x/soubor." + type);
    EXPECT_EQ(host.sim.TakeOpened().size(), 11u);

    // A backslash is a separator on Windows; the address opened says so.
    host.sim.NewTab(FilePrefix + "/C:\\Zpravy\\a.txt");
    EXPECT_EQ(host.sim.TakeOpened(), Strings{"file:///C:/Zpravy/a.txt"});
}

TEST_P(ThemedBuild, TheOpenFilePrefixEndsAtASlash)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    // Another host that starts with the same letters is an ordinary web address, never a file.
    host.sim.NewTab(FilePrefix + ".evil.example/a.txt");
    EXPECT_EQ(host.sim.TakeOpened(), Strings{FilePrefix + ".evil.example/a.txt"});
    for (const std::string& rest : Strings{"C:/x/a.txt", "?/C:/x/a.txt", "#/C:/x/a.txt", "\\C:/x/a.txt"})
        host.sim.NewTab(FilePrefix + rest);
    for (const std::string& opened : host.sim.TakeOpened())
        EXPECT_EQ(opened.rfind("file:", 0), std::string::npos) << opened;
}

TEST_P(ThemedBuild, SchemesAreReadAsABrowserReadsThem)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    std::string upperPrefix = FilePrefix;
    for (char& c : upperPrefix)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    host.sim.NewTab(upperPrefix + "/C:/Zpravy/a.txt");
    host.sim.NewTab("HTTPS://Example.org/A");
    host.sim.NewTab(" \thttps://example.org/b ");
    host.sim.NewTab("https:/example.org/c");
    host.sim.NewTab("https:\\\\example.org/d");
    host.sim.NewTab("MailTo:podatelna@example.cz");
    EXPECT_EQ(host.sim.TakeOpened(), (Strings{"file:///C:/Zpravy/a.txt", "https://example.org/A", "https://example.org/b",
                                              "https://example.org/c", "https://example.org/d",
                                              "mailto:podatelna@example.cz"}));
    for (const std::string& url : Strings{"https://", "https:///", "https://exa\x01mple.org/", "DATA:text/html,x",
                                          " javascript:alert(1)", "FILE:///C:/x.txt"})
        host.sim.NewTab(url);
    EXPECT_EQ(host.sim.TakeOpened(), Strings{});
}

TEST_P(ThemedBuild, NavigationInsideThePaletteIsNotWatched)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    EXPECT_TRUE(host.sim.Navigate("https://example.org/"));
    EXPECT_EQ(host.sim.TakeOpened(), Strings{});
    EXPECT_EQ(DG::BrowserBase::GetAll().front()->GetStopLoadCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Builds, ThemedBuild, testing::ValuesIn(test::ThemedBuilds()));

TEST_P(UnthemedBuild, NoThemeAndNoGetAppearance)
{
    ShellHost host(GetParam(), true);
    host.OpenPalette();
    host.sim.TakeScripts();
    host.sim.SetAppearance(1);
    host.sim.SetAppearance(0);
    EXPECT_EQ(host.sim.TakeScripts(), Strings{});
    EXPECT_FALSE(host.sim.Call("GetAppearance", json::array()).found);
    EXPECT_TRUE(host.sim.Call("GetVersion", json::array()).found);
}

TEST_P(UnthemedBuild, AddressChangesStayInsideTheWebApplication)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    const DG::BrowserBase& browser = *DG::BrowserBase::GetAll().front();
    std::string upperWebApp = WebApp;
    for (char& c : upperWebApp)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& url : Strings{WebApp, WebApp + "/mapa?parcela=1", WebApp + "#x", upperWebApp + "/plot",
                                          "about:blank", "ABOUT:blank", "javascript:void(0)", " javascript:void(0)",
                                          "blob:" + WebApp + "/6c1f0a2e", ""})
        EXPECT_TRUE(host.sim.Navigate(url)) << url;
    EXPECT_EQ(host.sim.TakeOpened(), Strings{});
    EXPECT_EQ(browser.GetStopLoadCount(), 0u);

    // No new-tab handler in these builds.
    host.sim.NewTab("https://example.org/");
    EXPECT_EQ(host.sim.TakeOpened(), Strings{});
}

TEST_P(UnthemedBuild, OutsideAddressesAreRefusedOpenedOutsideAndStopped)
{
    ShellHost host(GetParam());
    host.OpenPalette();
    const DG::BrowserBase& browser = *DG::BrowserBase::GetAll().front();
    const std::vector<std::pair<std::string, Strings>> cases{
        {"https://example.org/a", {"https://example.org/a"}},
        {"http://example.org/", {"http://example.org/"}},
        {FilePrefix + "/C:/Zpravy/parcela.txt", {"file:///C:/Zpravy/parcela.txt"}},
        {FilePrefix + "/home/jan/parcela.json", {"file:///home/jan/parcela.json"}},
        {WebApp + ".attacker.example/", {WebApp + ".attacker.example/"}},
        {"file:///C:/Windows/System32/calc.exe", {}},
        {FilePrefix + "/home/jan/run.sh", {}},
        {FilePrefix + "//attacker.example/share/report.txt", {}},
        {FilePrefix + "/C:/x/evil.exe%00.txt", {}},
        // However the scheme is written, a web address elsewhere leaves the palette.
        {"HTTPS://evil.example/", {"https://evil.example/"}},
        {" https://evil.example/", {"https://evil.example/"}},
        {"\thttps://evil.example/", {"https://evil.example/"}},
        {"\x01https://evil.example/", {"https://evil.example/"}},
        {"https:/evil.example/", {"https://evil.example/"}},
        {"https:evil.example/", {"https://evil.example/"}},
        {"https:////evil.example/", {"https://evil.example/"}},
        {"hTtP:\\\\evil.example/", {"http://evil.example/"}},
        {"ht\ntps://evil.example/", {"https://evil.example/"}},
        {"FILE:///C:/Windows/System32/calc.exe", {}},
        // Documents made from the address itself would meet the page's ACAPI object.
        {"data:text/html,<script>ACAPI.SaveTextFile('x','y')</script>", {}},
        {"DATA:text/html,x", {}},
        {" data:text/html,x", {}},
        {"ms-msdt:/id", {}},
    };
    UInt32 stops = 0;
    for (const auto& [url, opened] : cases) {
        EXPECT_FALSE(host.sim.Navigate(url)) << url;
        EXPECT_EQ(host.sim.TakeOpened(), opened) << url;
        EXPECT_EQ(browser.GetStopLoadCount(), ++stops) << url;
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, UnthemedBuild, testing::ValuesIn(test::UnthemedBuilds()));
