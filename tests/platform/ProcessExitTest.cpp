#include <gtest/gtest.h>

#include <cstdlib>

#include "AppearanceManager/DGAppearanceManager.hpp"
#include "DefaultProgramRunner.hpp"
#include "DGBrowser.hpp"
#include "DGDialog.hpp"
#include "DGFileDialog.hpp"
#include "DGPanel.hpp"
#include "ElfTestFile.hpp"
#include "FileTypeManager.hpp"
#include "Location.hpp"
#include "ResourceImage.hpp"
#include "TestSupport.hpp"
#include "Win32.hpp"

namespace {

std::string modulePath;

// What a module's unload does when the process ends with the module still loaded: its destructor
// runs after the exit handlers, so everything it reaches in the platform must still be alive.
void UnloadLikeAModule()
{
    const GSResModule module = RS::OpenModuleFile(modulePath);
    if (!RS::IsOpen(module))
        std::_Exit(3);
    {
        DG::Palette palette(module, 32500, module, GS::Guid("{8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F20}"));
        DG::Browser browser(palette, 1);
        DG::PanelObserver observer;
        palette.Attach(observer);
        DG::AppearanceManager::onAppearanceChanged.Add([](const auto&, const auto&) {}, &palette);
        if (DG::Palette::GetAll().size() != 1 || DG::BrowserBase::GetAll().size() != 1)
            std::_Exit(4);
    }
    RSRemoveModuleImageCache(module);
    RS::ResModuleClosed(module);
    DBPrintf("Abnormal add-on termination (\"%s\")\n", modulePath.c_str());
    OSUtils::OpenWithDefaultBrowser(GS::UniString("https://example.org"));
    IO::SetDriveFolder('C', "/tmp");
    FTM::FileTypeManager("late").AddType(FTM::FileType("Textový soubor", "txt", 0, 0, 0));
    RegisterWindowMessageW(u"commdlg_FileNameOK");
    std::_Exit(DBGetPrintedText().empty() ? 5 : 0);
}

TEST(ProcessExit, PlatformStateOutlivesTheExitHandlers)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, in which nothing was used yet
    test::TempFolder folder;
    RS::ResourceImage image;
    image.dialogs[32500].width = 420;
    modulePath = folder / "module.so";
    test::WriteFile(modulePath, test::MakeElf({{".gsresources", image.Encode()}}));
    EXPECT_EXIT(
        {
            std::atexit(UnloadLikeAModule);  // registered first, so it runs last
            // Every piece of platform state is in use before the process ends.
            RS::OpenModuleFile(modulePath);
            {
                DG::Palette early(InvalidResModule, 1, InvalidResModule, GS::Guid());
                DG::Browser browser(early, 1);
                DG::PanelObserver observer;
                early.Attach(observer);
            }
            DBPrintf("started\n");
            OSUtils::OpenWithDefaultBrowser(GS::UniString("https://example.org/early"));
            IO::SetDriveFolder('D', "/tmp");
            FTM::FileTypeManager("early").AddType(FTM::FileType("Obrázek", "png", 0, 0, 0));
            RegisterWindowMessageW(u"early");
            DG::SetFileDialogAnswerer([](DG::FileDialog&) { return false; });
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
