// The page developers' declarations of ACAPI (samples/webapp/acapi.d.ts) against the module builds:
// each build's declared functions are exactly those it registers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

#include <nlohmann/json.hpp>

#include "host/BrowserControl.hpp"
#include "host/Shell.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"

namespace {

using nlohmann::json;

std::vector<std::string> RegisteredFunctions(int api)
{
    sim::Simulator::Options options;
    options.apiVersion = api;
    options.modulePath = (test::ExecutableFolder() / ("Orvani_Landfetch_" + std::to_string(api) + ".so")).string();
    sim::Simulator simulator(options);
    simulator.Start();
    EXPECT_EQ(simulator.MenuCommand(32500, 1), NoError);
    std::vector<std::string> names;
    DG::BrowserBase* browser = sim::BrowserControl::FindPaletteBrowser(simulator.GetShell().Palettes().front().guid);
    const sim::BrowserState* state = simulator.GetBrowser().Find(browser);
    if (state == nullptr || !state->objects.contains("ACAPI"))
        return names;
    for (const auto& function : state->objects.at("ACAPI")->GetItemArray())
        names.push_back(function->GetName().ToUtf8());
    return names;
}

TEST(TypedAcapi, EachBuildDeclaresExactlyTheFunctionsItRegisters)
{
    const std::string node = LANDFETCH_NODE_PROGRAM;
    const std::filesystem::path tools = LANDFETCH_TOOLS_DIR;
    if (node.empty() || !std::filesystem::exists(tools / "node_modules/typescript/package.json")) {
        if (std::getenv("CI") != nullptr)
            FAIL() << "node or TypeScript is not installed (scripts/setup.sh installs them)";
        GTEST_SKIP() << "node or TypeScript is not installed (scripts/setup.sh installs them)";
    }
    const std::filesystem::path source = tools.parent_path();
    const std::string command = node + " " + (source / "tests/typescript/declared-functions.mjs").string() + " " +
                                (tools / "node_modules/typescript").string() + " " +
                                (source / "samples/webapp/acapi.d.ts").string() + " 2>&1";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    const json declared = json::parse(out);

    for (int api = 27; api <= 30; ++api) {
        std::vector<std::string> registered = RegisteredFunctions(api);
        std::vector<std::string> names = declared.at(std::to_string(api)).get<std::vector<std::string>>();
        EXPECT_EQ(registered.size(), api >= 29 ? 12u : 11u) << api;
        std::sort(registered.begin(), registered.end());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, registered) << "host API " << api;
    }
}

}  // namespace
