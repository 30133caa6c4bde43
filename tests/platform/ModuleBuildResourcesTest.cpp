#include <gtest/gtest.h>

#include <filesystem>

#include "ResourceImage.hpp"
#include "TestSupport.hpp"

namespace {

UInt32 BigEndian32(const std::string& bytes, std::size_t at)
{
    UInt32 value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The square size of a PNG picture, 0 when the bytes are no PNG.
UInt32 PngSize(const std::string& png)
{
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || BigEndian32(png, 16) != BigEndian32(png, 20))
        return 0;
    return BigEndian32(png, 16);
}

// The resources compiled into each module build, read from the file as the host reads them.
class ModuleBuildResources : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        const auto path = test::ExecutableFolder() / ("Orvani_Landfetch_" + std::to_string(GetParam()) + ".so");
        if (!std::filesystem::exists(path))
            GTEST_SKIP() << path << " is not built";
        module = RS::OpenModuleFile(path.string());
        ASSERT_NE(module, InvalidResModule) << path;
    }
    void TearDown() override { RS::ResModuleClosed(module); }

    GSResModule module = InvalidResModule;
};

TEST_P(ModuleBuildResources, NameDescriptionAndMenuText)
{
    GS::UniString text;
    ASSERT_TRUE(RSGetIndString(&text, 32000, 1, module));
    EXPECT_EQ(text, "Orvani. Landfetch");
    ASSERT_TRUE(RSGetIndString(&text, 32000, 2, module));
    EXPECT_TRUE(text.ToUtf8().find("ČÚZK") != std::string::npos) << text.ToUtf8();
    EXPECT_TRUE(text.EndsWith("."));
    ASSERT_TRUE(RSGetIndString(&text, 32500, 1, module));
    EXPECT_EQ(text, "Orvani. Landfetch^ES^EE^EI^E3^ED^EW^EL^10001");
}

TEST_P(ModuleBuildResources, PaletteDialogHoldsOneBrowserFillingIt)
{
    RS::DialogResource dialog;
    ASSERT_TRUE(RS::GetDialog(module, 32500, &dialog));
    EXPECT_EQ(dialog.kind, "Palette");
    EXPECT_EQ(dialog.title, "Orvani. Landfetch");
    EXPECT_EQ(dialog.helpName, "DLG_MapPalette");
    EXPECT_EQ(dialog.width, 420);
    EXPECT_EQ(dialog.height, 640);
    ASSERT_EQ(dialog.items.size(), 1u);
    const RS::DialogItem& browser = dialog.items[0];
    EXPECT_EQ(browser.id, 1);
    EXPECT_EQ(browser.type, "Browser");
    EXPECT_EQ(browser.x, 0);
    EXPECT_EQ(browser.y, 0);
    EXPECT_EQ(browser.width, 420);
    EXPECT_EQ(browser.height, 640);
    EXPECT_EQ(browser.helpName, "Browser_0");
}

TEST_P(ModuleBuildResources, ModuleIdentifierAndIcons)
{
    UInt32 developerId = 0, localId = 0;
    ASSERT_TRUE(RS::GetModuleIdentifier(module, 32500, &developerId, &localId));
    EXPECT_NE(developerId, 0u);
    EXPECT_NE(localId, 0u);

    const std::pair<const char*, UInt32> icons[] = {
        {"I10001&96", 16}, {"I10001&192", 32}, {"I10001&96&D", 16}, {"I10001&192&D", 32}};
    std::string light, dark;
    for (const auto& [name, pixels] : icons) {
        std::string png;
        ASSERT_TRUE(RS::GetIcon(module, name, &png)) << name;
        EXPECT_EQ(PngSize(png), pixels) << name;
    }
    RS::GetIcon(module, "I10001&96", &light);
    RS::GetIcon(module, "I10001&96&D", &dark);
    EXPECT_NE(light, dark);

    std::vector<std::pair<Int32, std::string>> group;
    ASSERT_TRUE(RS::GetIconGroup(module, 1, &group));
    std::vector<Int32> sizes;
    for (const auto& [pixels, png] : group) {
        sizes.push_back(pixels);
        EXPECT_EQ(PngSize(png), static_cast<UInt32>(pixels));
    }
    EXPECT_EQ(sizes, (std::vector<Int32>{16, 24, 32, 48, 64, 96, 128, 256}));
}

INSTANTIATE_TEST_SUITE_P(EveryHostVersion, ModuleBuildResources, ::testing::ValuesIn(landfetch::HostApiVersions));

}  // namespace
