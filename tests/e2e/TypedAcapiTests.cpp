// The page developers' declarations of ACAPI (samples/webapp/acapi.d.ts) against the module builds:
// each build's declared functions are exactly those it registers.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "host/BrowserControl.hpp"
#include "host/Shell.hpp"
#include "Simulator.hpp"
#include "ModuleSession.hpp"
#include "TestSupport.hpp"

namespace {

using nlohmann::json;

std::vector<std::string> RegisteredFunctions(int api)
{
    test::ModuleSession session({.api = api, .palette = test::SessionSetup::Palette::Closed});
    sim::Simulator& simulator = session.sim;
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
    std::string versions;
    for (int api : landfetch::HostApiVersions)
        versions += (versions.empty() ? "" : ",") + std::to_string(api);
    const test::ProcessRun run =
        test::RunProgram(node, {(source / "tests/typescript/declared-functions.mjs").string(),
                                (tools / "node_modules/typescript").string(),
                                (source / "samples/webapp/acapi.d.ts").string(), versions});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const json declared = json::parse(run.out);

    for (int api : landfetch::HostApiVersions) {
        std::vector<std::string> registered = RegisteredFunctions(api);
        std::vector<std::string> names = declared.at(std::to_string(api)).get<std::vector<std::string>>();
        EXPECT_EQ(registered.size(), test::FunctionsOfBuild(api).size()) << api;
        std::sort(registered.begin(), registered.end());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, registered) << "host API " << api;
    }
}

}  // namespace
