#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "DGBrowser.hpp"
#include "DGDialog.hpp"
#include "DGPanel.hpp"
#include "ElfTestFile.hpp"
#include "ResourceImage.hpp"
#include "TestSupport.hpp"
#include "Win32.hpp"

namespace {

RS::ResourceImage SampleImage()
{
    RS::ResourceImage image;
    image.stringLists[32000] = {GS::UniString("Orvani. Landfetch"), GS::UniString("Stáhne podklady ČÚZK.")};
    image.stringLists[32500] = {GS::UniString("Orvani. Landfetch^ES^EE^EI^E3^ED^EW^EL^10001")};
    RS::DialogResource dialog;
    dialog.kind = "Palette";
    dialog.title = GS::UniString("Orvani. Landfetch");
    dialog.helpName = "DLG_MapPalette";
    dialog.width = 420;
    dialog.height = 640;
    dialog.frameOptions = {"Caption", "Close", "GrowH", "GrowV"};
    dialog.items.push_back({1, "Browser", 0, 0, 420, 640, "Browser_0"});
    image.dialogs[32500] = dialog;
    image.moduleIdentifiers[32500] = {0x4F52564E, 0x4C464348};
    image.icons["I10001&96"] = std::string("\x89PNG\r\n\x1a\n\0\0", 10);
    image.icons["I10001&192&D"] = "dark";
    image.iconGroups[1] = {{16, "small"}, {256, "large"}};
    return image;
}

std::string WriteModule(const test::TempFolder& folder, const std::string& name, const std::string& bytes)
{
    const std::string path = folder / name;
    test::WriteFile(path, bytes);
    return path;
}

TEST(ResourceContainer, EveryKindRoundTrips)
{
    const RS::ResourceImage original = SampleImage();
    const std::string bytes = original.Encode();
    RS::ResourceImage decoded;
    ASSERT_TRUE(RS::ResourceImage::Decode(bytes.data(), bytes.size(), &decoded));
    EXPECT_EQ(decoded.language, 1033u);
    EXPECT_EQ(decoded.stringLists, original.stringLists);
    EXPECT_EQ(decoded.moduleIdentifiers, original.moduleIdentifiers);
    EXPECT_EQ(decoded.icons, original.icons);
    EXPECT_EQ(decoded.iconGroups, original.iconGroups);
    const RS::DialogResource& dialog = decoded.dialogs.at(32500);
    EXPECT_EQ(dialog.id, 32500);
    EXPECT_EQ(dialog.title, "Orvani. Landfetch");
    EXPECT_EQ(dialog.frameOptions.size(), 4u);
    ASSERT_EQ(dialog.items.size(), 1u);
    EXPECT_EQ(dialog.items[0].helpName, "Browser_0");
    EXPECT_EQ(dialog.items[0].height, 640);
}

TEST(ResourceContainer, DamagedContainersAreRefused)
{
    const std::string bytes = SampleImage().Encode();
    RS::ResourceImage decoded;
    for (std::size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(RS::ResourceImage::Decode(bytes.data(), length, &decoded)) << "length " << length;
    std::string wrongMagic = bytes;
    wrongMagic[0] = 'X';
    EXPECT_FALSE(RS::ResourceImage::Decode(wrongMagic.data(), wrongMagic.size(), &decoded));
    std::string hugeCount = bytes;
    hugeCount[12] = hugeCount[13] = hugeCount[14] = hugeCount[15] = '\xFF';
    EXPECT_FALSE(RS::ResourceImage::Decode(hugeCount.data(), hugeCount.size(), &decoded));
    // Padding the linker may add after the last record does no harm.
    const std::string padded = bytes + std::string(8, '\0');
    EXPECT_TRUE(RS::ResourceImage::Decode(padded.data(), padded.size(), &decoded));
}

TEST(ModuleResources, ReadFromTheSectionOfAnElfFile)
{
    test::TempFolder folder;
    const std::string path = WriteModule(
        folder, "module.so",
        test::MakeElf({{".text", "code"}, {".gsresources", SampleImage().Encode()}, {".comment", "x"}}));
    const GSResModule module = RS::OpenModuleFile(path);
    ASSERT_NE(module, InvalidResModule);
    EXPECT_TRUE(RS::IsOpen(module));

    GS::UniString text;
    ASSERT_TRUE(RSGetIndString(&text, 32000, 2, module));
    EXPECT_EQ(text, "Stáhne podklady ČÚZK.");
    EXPECT_FALSE(RSGetIndString(&text, 32000, 0, module));
    EXPECT_FALSE(RSGetIndString(&text, 32000, 3, module));
    EXPECT_FALSE(RSGetIndString(&text, 31999, 1, module));
    EXPECT_FALSE(RSGetIndString(nullptr, 32000, 1, module));

    UInt32 developerId = 0, localId = 0;
    EXPECT_TRUE(RS::GetModuleIdentifier(module, 32500, &developerId, &localId));
    EXPECT_EQ(developerId, 0x4F52564Eu);
    std::string png;
    EXPECT_TRUE(RS::GetIcon(module, "I10001&192&D", &png));
    EXPECT_EQ(png, "dark");
    EXPECT_FALSE(RS::GetIcon(module, "I10001&192", &png));
    std::vector<std::pair<Int32, std::string>> group;
    EXPECT_TRUE(RS::GetIconGroup(module, 1, &group));
    EXPECT_EQ(group.size(), 2u);

    RS::ResModuleClosed(module);
    EXPECT_FALSE(RS::IsOpen(module));
    EXPECT_FALSE(RSGetIndString(&text, 32000, 1, module));
}

TEST(ModuleResources, EachOpeningIsItsOwnModule)
{
    test::TempFolder folder;
    const std::string path = WriteModule(folder, "m.so", test::MakeElf({{".gsresources", SampleImage().Encode()}}));
    const GSResModule first = RS::OpenModuleFile(path);
    const GSResModule second = RS::OpenModuleFile(path);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_NE(first, second);
    RSRemoveModuleImageCache(first);
    EXPECT_FALSE(RS::IsOpen(first));
    EXPECT_TRUE(RS::IsOpen(second));
    RS::ResModuleClosed(second);
}

TEST(ModuleResources, FilesWithoutUsableResourcesOpenNothing)
{
    test::TempFolder folder;
    EXPECT_EQ(RS::OpenModuleFile(folder / "absent.so"), InvalidResModule);
    EXPECT_EQ(RS::OpenModuleFile(WriteModule(folder, "text.so", "not an ELF file at all")), InvalidResModule);
    EXPECT_EQ(RS::OpenModuleFile(WriteModule(folder, "plain.so", test::MakeElf({{".text", "code"}}))),
              InvalidResModule);
    EXPECT_EQ(RS::OpenModuleFile(WriteModule(folder, "bad.so", test::MakeElf({{".gsresources", "GSRES?"}}))),
              InvalidResModule);

    std::string cut = test::MakeElf({{".gsresources", SampleImage().Encode()}});
    cut.resize(cut.size() - 10);  // the section header table runs past the end
    EXPECT_EQ(RS::OpenModuleFile(WriteModule(folder, "cut.so", cut)), InvalidResModule);

    std::string farSection = test::MakeElf({{".gsresources", SampleImage().Encode()}});
    const std::size_t table = farSection.size() - 3 * 64;
    test::PutLittleEndian(farSection, table + 64 + 0x18, 1ull << 40, 8);
    EXPECT_EQ(RS::OpenModuleFile(WriteModule(folder, "far.so", farSection)), InvalidResModule);
}

TEST(ModuleResources, SectionAddedToARealExecutable)
{
    if (std::system("objcopy --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "objcopy is not installed";
    test::TempFolder folder;
    const std::string container = WriteModule(folder, "resources.bin", SampleImage().Encode());
    const std::string copy = folder / "copy";
    const std::string command = "objcopy --add-section .gsresources=" + container + " " +
                                test::ExecutableFolder().string() + "/platform_tests " + copy;
    ASSERT_EQ(std::system(command.c_str()), 0);
    const GSResModule module = RS::OpenModuleFile(copy);
    ASSERT_NE(module, InvalidResModule);
    GS::UniString text;
    EXPECT_TRUE(RSGetIndString(&text, 32500, 1, module));
    EXPECT_EQ(text, "Orvani. Landfetch^ES^EE^EI^E3^ED^EW^EL^10001");
    RS::ResModuleClosed(module);
}

TEST(ModuleResources, TheLoadedTestProgramHasNone)
{
    const HINSTANCE self = GetModuleOfAddress(reinterpret_cast<const void*>(&SampleImage));
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(RSInitModuleImageCache(reinterpret_cast<GSResModule>(self)), InvalidResModule);
    EXPECT_EQ(RSInitModuleImageCache(0), InvalidResModule);
}

TEST(PaletteResources, ThePaletteAndItsItemsTakeTheResourceGeometry)
{
    test::TempFolder folder;
    const GSResModule module = RS::OpenModuleFile(
        WriteModule(folder, "m.so", test::MakeElf({{".gsresources", SampleImage().Encode()}})));
    ASSERT_NE(module, InvalidResModule);
    {
        DG::Palette palette(module, 32500, module, GS::Guid("{8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F20}"));
        EXPECT_EQ(palette.GetWidth(), 420);
        EXPECT_EQ(palette.GetHeight(), 640);
        EXPECT_EQ(palette.GetTitle(), "Orvani. Landfetch");
        DG::Browser browser(palette, 1);
        EXPECT_EQ(browser.GetWidth(), 420);
        EXPECT_EQ(browser.GetHeight(), 640);
        DG::Item unknown(palette, 2);
        EXPECT_EQ(unknown.GetWidth(), 0);

        DG::Palette missing(module, 32501, module, GS::Guid());
        EXPECT_EQ(missing.GetWidth(), 0);
        EXPECT_EQ(DG::Palette::GetAll().size(), 2u);
    }
    RS::ResModuleClosed(module);
}

}  // namespace
