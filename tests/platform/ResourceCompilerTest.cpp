#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "ResourceImage.hpp"
#include "TestSupport.hpp"

namespace {

namespace fs = std::filesystem;

struct Compilation {
    int exitCode;
    std::string messages;
    std::string source;  // the generated C++ source; empty when none was written
};

// Runs the resource compiler built beside the tests on a script, as the build does.
class ResourceCompiler : public ::testing::Test {
protected:
    void SetUp() override
    {
        compiler = test::ExecutableFolder() / "landfetch-rc";
        if (!fs::exists(compiler))
            GTEST_SKIP() << "the resource compiler is not built";
    }

    Compilation Compile(const std::string& script, const std::string& rasterizer = "rsvg-convert")
    {
        test::WriteFile(folder.Path() / "test.res", script);
        const fs::path output = folder.Path() / "out.cpp";
        fs::remove(output);
        const std::string command = compiler.string() + " " + (folder / "test.res") + " " + output.string() + " " +
                                    rasterizer + " " + (folder / "work") + " 2> " + (folder / "messages.txt");
        const int status = std::system(command.c_str());
        Compilation result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadFile(folder.Path() / "messages.txt"),
                           fs::exists(output) ? test::ReadFile(output) : std::string()};
        return result;
    }

    // The container back from the generated source's byte list.
    static bool Decode(const std::string& source, RS::ResourceImage* image)
    {
        std::string bytes;
        const std::regex hexByte("0x([0-9a-f]{2})");
        for (std::sregex_iterator it(source.begin(), source.end(), hexByte), end; it != end; ++it)
            bytes.push_back(static_cast<char>(std::stoi((*it)[1].str(), nullptr, 16)));
        return RS::ResourceImage::Decode(bytes.data(), bytes.size(), image);
    }

    fs::path compiler;
    test::TempFolder folder;
};

TEST_F(ResourceCompiler, CompilesTextsDialogsAndIdentifiersIntoTheSection)
{
    const Compilation result = Compile(R"(
        /* comment */ language 1033
        strings 100 "list" {
            "first"   // the first item
            "Vložit \"terén\""
        }
        dialog 200 Palette "Titulek" help "DLG" size 300 400 frame Caption Close {
            item 1 Browser 0 0 300 400 help "Browser_0"
            item 2 Button 10 20 30 40 help "OK"
        }
        moduleid 300 0xFFFFFFFF 7
    )");
    ASSERT_EQ(result.exitCode, 0) << result.messages;
    EXPECT_NE(result.source.find("section(\".gsresources\")"), std::string::npos);
    RS::ResourceImage image;
    ASSERT_TRUE(Decode(result.source, &image));
    ASSERT_EQ(image.stringLists.at(100).size(), 2u);
    EXPECT_EQ(image.stringLists.at(100)[1], "Vložit \"terén\"");
    const RS::DialogResource& dialog = image.dialogs.at(200);
    EXPECT_EQ(dialog.title, "Titulek");
    EXPECT_EQ(dialog.frameOptions, (std::vector<std::string>{"Caption", "Close"}));
    ASSERT_EQ(dialog.items.size(), 2u);
    EXPECT_EQ(dialog.items[1].type, "Button");
    EXPECT_EQ(dialog.items[1].height, 40);
    EXPECT_EQ(image.moduleIdentifiers.at(300), std::make_pair(0xFFFFFFFFu, 7u));
}

TEST_F(ResourceCompiler, RendersIconsAtTheirSizes)
{
    if (std::system("rsvg-convert --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "rsvg-convert is not installed";
    test::WriteFile(folder.Path() / "dot.svg",
                    "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'><circle cx='5' cy='5' r='4'/></svg>");
    const Compilation result = Compile("icon \"I1&96\" \"dot.svg\" 16\nicongroup 1 { 24 \"dot.svg\" 48 \"dot.svg\" }\n");
    ASSERT_EQ(result.exitCode, 0) << result.messages;
    RS::ResourceImage image;
    ASSERT_TRUE(Decode(result.source, &image));
    EXPECT_EQ(image.icons.at("I1&96").compare(0, 4, "\x89PNG"), 0);
    ASSERT_EQ(image.iconGroups.at(1).size(), 2u);
    EXPECT_EQ(image.iconGroups.at(1)[1].first, 48);
}

TEST_F(ResourceCompiler, MistakesAreReportedWithTheirLineAndWriteNothing)
{
    const std::pair<std::string, std::string> cases[] = {
        {"strings 1 \"a\" {\n  \"never closed\n}", "line 2: unterminated text"},
        {"language 1033\nmenu 5", "line 2: unknown resource kind 'menu'"},
        {"strings 1 \"a\" { }\nstrings 1 \"b\" { }", "line 2: strings 1 defined twice"},
        {"moduleid 1 12x 3", "line 1: '12x' is not a number"},
        {"strings 0 \"a\" { }", "line 1: number 0 out of range"},
        {"dialog 1 Palette \"t\" help \"h\" size 10 10 {\n item 1 Browser 0 0 1 1 help \"a\"\n item 1 Button 0 0 1 1 help \"b\" }",
         "line 3: item defined twice"},
        {"strings 1 \"a\" {", "expected a text or '}'"},
        {"/* open comment", "unterminated comment"},
        {"icon \"I1\" \"missing.svg\" 16", "missing icon source"},
    };
    for (const auto& [script, message] : cases) {
        const Compilation result = Compile(script);
        EXPECT_EQ(result.exitCode, 1) << script;
        EXPECT_NE(result.messages.find(message), std::string::npos) << script << "\n" << result.messages;
        EXPECT_TRUE(result.source.empty()) << script;
    }
}

TEST_F(ResourceCompiler, AFailingRasterizerFailsTheBuild)
{
    test::WriteFile(folder.Path() / "dot.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='1' height='1'/>");
    const Compilation result = Compile("icon \"I1\" \"dot.svg\" 16", "false");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.messages.find("failed"), std::string::npos) << result.messages;
    EXPECT_TRUE(result.source.empty());
}

}  // namespace
