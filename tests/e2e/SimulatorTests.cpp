// The simulator's own machinery: loading a module build, the function table with its fault plan,
// and the conversion of the page's JSON values into JavaScript-engine values and back.

#include <gtest/gtest.h>

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "ModuleSession.hpp"
#include "host/BrowserControl.hpp"
#include "host/FunctionTable.hpp"
#include "host/Loader.hpp"
#include "host/Operations.hpp"
#include "project/Project.hpp"
#include "host/Shell.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"

namespace {

using nlohmann::json;

using test::ModuleBuild;

sim::Simulator::Options OptionsFor(int api, const std::string& module, const test::TempFolder& folder)
{
    return sim::Simulator::Options{api, module, folder.Path().string()};
}

std::string StartError(sim::Simulator& simulator)
{
    try {
        simulator.Start();
    } catch (const sim::Error& error) {
        return error.what();
    }
    return "";
}

// ---------------------------------------------------------------------------------------------
// Loading

TEST(SimulatorLoader, RefusesWhatIsNoModuleBuildOfTheRequestedVersion)
{
    test::TempFolder folder;
    const std::string missing = folder / "Orvani_Landfetch_30.so";
    sim::Simulator noFile(OptionsFor(30, missing, folder));
    std::string message = StartError(noFile);
    EXPECT_NE(message.find(missing), std::string::npos) << message;
    EXPECT_FALSE(noFile.IsStarted());

    const std::string text = folder / "not-a-module.so";
    test::WriteFile(text, "just some text\n");
    sim::Simulator notModule(OptionsFor(30, text, folder));
    message = StartError(notModule);
    EXPECT_NE(message.find(text), std::string::npos) << message;

    // The platform library is a loadable shared object, but not an add-on.
    const std::string platform = (test::ExecutableFolder() / "libplatform.so").string();
    sim::Simulator library(OptionsFor(30, platform, folder));
    message = StartError(library);
    EXPECT_NE(message.find("GetExportedFuncAddrs"), std::string::npos) << message;
}

TEST(SimulatorLoader, RefusesABuildOfAnotherHostVersion)
{
    test::TempFolder folder;
    // Neighbouring builds, whose tables differ least.
    for (auto [requested, built] : {std::pair{29, 30}, std::pair{30, 29}, std::pair{27, 28}}) {
        sim::Simulator simulator(OptionsFor(requested, ModuleBuild(built), folder));
        std::string message = StartError(simulator);
        EXPECT_NE(message.find("host API " + std::to_string(requested)), std::string::npos) << message;
        EXPECT_FALSE(simulator.IsStarted());
    }
}

TEST(SimulatorLoader, StartsEachBuildAndShutsItDownCleanly)
{
    for (int api : landfetch::HostApiVersions) {
        test::TempFolder folder;
        sim::Simulator simulator(OptionsFor(api, ModuleBuild(api), folder));
        simulator.Start();
        ASSERT_TRUE(simulator.IsStarted());
        const sim::Loader& loader = simulator.GetLoader();
        EXPECT_EQ(loader.Exported().versionWord, (static_cast<UInt32>(api) << 16) | 1);
        EXPECT_EQ(loader.AddOnName(), "Orvani. Landfetch");
        EXPECT_NE(loader.AddOnType(), APIAddon_Unknown);
        ASSERT_NE(simulator.GetFunctionTable(), nullptr);
        EXPECT_EQ(simulator.GetFunctionTable()->Size(), APIFunctionTableSize(api));

        simulator.Shutdown();
        EXPECT_FALSE(simulator.IsStarted());
        EXPECT_EQ(DBGetPrintedText(), "");
        simulator.Shutdown();  // a second time does nothing
    }
}

TEST(SimulatorLoader, AnAbnormalShutdownLeavesTheModulesComplaint)
{
    test::TempFolder folder;
    sim::Simulator simulator(OptionsFor(30, ModuleBuild(30), folder));
    simulator.Start();
    simulator.Shutdown(true);
    std::string printed = DBGetPrintedText();
    EXPECT_NE(printed.find("Abnormal add-on termination"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Orvani_Landfetch_30.so"), std::string::npos) << printed;
    DBClearPrintedText();
}

TEST(SimulatorLoader, AFailingRegistrationStopsTheStartWithTheHostCode)
{
    test::TempFolder folder;
    sim::Simulator missingHandler(OptionsFor(30, ModuleBuild(30), folder));
    missingHandler.LoadProject(json{{"missing", {"InstallMenuHandler"}}});
    std::string message = StartError(missingHandler);
    EXPECT_NE(message.find(std::to_string(APIERR_NOTSUPPORTED)), std::string::npos) << message;
    EXPECT_FALSE(missingHandler.IsStarted());

    sim::Simulator failingPalette(OptionsFor(30, ModuleBuild(30), folder));
    failingPalette.LoadProject(json{{"faults", {{"RegisterPalette", -7}}}});
    message = StartError(failingPalette);
    EXPECT_NE(message.find("-7"), std::string::npos) << message;
    EXPECT_EQ(DBGetPrintedText(), "");  // the module was freed before it was unloaded
}

// ---------------------------------------------------------------------------------------------
// The function table

class FunctionTableTest : public ::testing::Test {
protected:
    GSErrCode PenCount(const sim::FunctionTable& table, UInt32* count)
    {
        auto* slot = reinterpret_cast<API::Slot::GetPenCount*>(const_cast<void*>(table.Slot(API::Operation::GetPenCount)));
        return slot(&token, count);
    }

    sim::Project project;
    sim::Shell shell;
    sim::BrowserControl browser;
    sim::Operations operations{shell, browser, project};
    sim::FaultPlan plan;
    char token = 0;
};

TEST_F(FunctionTableTest, HasTheVersionsSizeWithEveryOperationBoundAndTheRestEmpty)
{
    for (Int32 api : landfetch::HostApiVersions) {
        sim::FunctionTable table(api, operations, plan);
        ASSERT_EQ(table.Size(), APIFunctionTableSize(api));
        auto* const* slots = static_cast<void* const*>(table.Data());
        for (UInt32 i = 0; i < API::SlotCount(api); ++i)
            EXPECT_EQ(slots[i] != nullptr, i < API::OperationCount) << "slot " << i << " of " << api;
    }
}

TEST_F(FunctionTableTest, LeavesTheSlotsOfMissingOperationsEmpty)
{
    plan.missing = {"GetPen", "SetAutoText"};
    sim::FunctionTable table(30, operations, plan);
    EXPECT_EQ(table.Slot(API::Operation::GetPen), nullptr);
    EXPECT_EQ(table.Slot(API::Operation::SetAutoText), nullptr);
    EXPECT_NE(table.Slot(API::Operation::GetPenCount), nullptr);
}

TEST_F(FunctionTableTest, ReturnsTheFaultCodeOnTheListedCallsOnly)
{
    plan.faults["GetPenCount"] = sim::Fault{-77, {2, 4}, ""};
    sim::FunctionTable table(30, operations, plan);
    std::vector<GSErrCode> results;
    for (int call = 1; call <= 5; ++call) {
        UInt32 count = 0;
        results.push_back(PenCount(table, &count));
        EXPECT_EQ(count, results.back() == NoError ? 255u : 0u) << "call " << call;
    }
    EXPECT_EQ(results, (std::vector<GSErrCode>{NoError, -77, NoError, -77, NoError}));
    EXPECT_EQ(table.CallCount(API::Operation::GetPenCount), 5);
    EXPECT_EQ(table.CallCount("GetPenCount"), 5);
    EXPECT_EQ(table.CallCount("GetPen"), 0);
}

TEST_F(FunctionTableTest, AFaultWithoutCallNumbersHitsEveryCall)
{
    plan.faults["GetPenCount"] = sim::Fault{APIERR_GENERAL, {}, ""};
    sim::FunctionTable table(27, operations, plan);
    UInt32 count = 0;
    for (int call = 0; call < 3; ++call)
        EXPECT_EQ(PenCount(table, &count), APIERR_GENERAL);
    EXPECT_EQ(count, 0u);
}

TEST_F(FunctionTableTest, ThrowsEachKindOfException)
{
    plan.faults["GetPenCount"] = sim::Fault{-5, {}, "gs"};
    {
        sim::FunctionTable table(30, operations, plan);
        UInt32 count = 0;
        try {
            PenCount(table, &count);
            ADD_FAILURE() << "no exception";
        } catch (const GS::GSException& exception) {
            EXPECT_EQ(exception.GetErrCode(), -5);
            EXPECT_NE(exception.GetFileName(), nullptr);
        }
    }
    plan.faults["GetPenCount"].throws = "std";
    {
        sim::FunctionTable table(30, operations, plan);
        UInt32 count = 0;
        EXPECT_THROW(PenCount(table, &count), std::runtime_error);
    }
    plan.faults["GetPenCount"].throws = "other";
    {
        sim::FunctionTable table(30, operations, plan);
        UInt32 count = 0;
        EXPECT_THROW(PenCount(table, &count), int);
    }
}

TEST_F(FunctionTableTest, FaultsChangedAfterTheStartApplyToLaterCalls)
{
    sim::FunctionTable table(30, operations, plan);
    UInt32 count = 0;
    EXPECT_EQ(PenCount(table, &count), NoError);
    plan.faults["GetPenCount"] = sim::Fault{-3, {2}, ""};
    EXPECT_EQ(PenCount(table, &count), -3);
}

// ---------------------------------------------------------------------------------------------
// JSON values of the page and JavaScript-engine values

JS::Value& ScalarOf(const GS::Ref<JS::Base, GS::Counter>& value)
{
    auto* scalar = dynamic_cast<JS::Value*>(static_cast<JS::Base*>(value));
    if (scalar == nullptr)
        throw std::logic_error("not a scalar");
    return *scalar;
}

TEST(PageValues, NumbersTakeTheNarrowestFittingType)
{
    EXPECT_EQ(ScalarOf(sim::ToJsValue(json(250))).GetType(), JS::Value::INTEGER);
    EXPECT_EQ(ScalarOf(sim::ToJsValue(json(250))).GetInteger(), 250);
    EXPECT_EQ(ScalarOf(sim::ToJsValue(json(-2147483648LL))).GetInteger(), -2147483647 - 1);
    EXPECT_EQ(ScalarOf(sim::ToJsValue(json(2147483647))).GetType(), JS::Value::INTEGER);

    auto large = sim::ToJsValue(json(2147483648LL));
    EXPECT_EQ(ScalarOf(large).GetType(), JS::Value::UINTEGER);
    EXPECT_EQ(ScalarOf(large).GetUInteger(), 2147483648u);
    EXPECT_EQ(ScalarOf(sim::ToJsValue(json(4294967295ULL))).GetType(), JS::Value::UINTEGER);

    for (json beyond : {json(4294967296LL), json(-2147483649LL), json(-743500.5), json(50.0)}) {
        EXPECT_EQ(ScalarOf(sim::ToJsValue(beyond)).GetType(), JS::Value::DOUBLE) << beyond;
        EXPECT_EQ(ScalarOf(sim::ToJsValue(beyond)).GetDouble(), beyond.get<double>()) << beyond;
    }
}

TEST(PageValues, TextsBooleansAndNullArrive)
{
    auto text = sim::ToJsValue(json("Příliš žluťoučký kůň"));
    EXPECT_EQ(ScalarOf(text).GetType(), JS::Value::STRING);
    EXPECT_EQ(ScalarOf(text).GetString(), GS::UniString("Příliš žluťoučký kůň"));
    EXPECT_EQ(ScalarOf(text).GetString().GetLength(), 20u);

    EXPECT_EQ(ScalarOf(sim::ToJsValue(json(true))).GetType(), JS::Value::BOOL);
    EXPECT_FALSE(ScalarOf(sim::ToJsValue(json(false))).GetBool());
    EXPECT_EQ(sim::ToJsValue(json(nullptr)), nullptr);
}

TEST(PageValues, NestedArraysKeepTheirShapeAndObjectsAreRefused)
{
    auto parameter = sim::ToJsArguments(json::parse(R"([[[1, 2], []], "a", null])"));
    auto* outer = dynamic_cast<JS::Array*>(static_cast<JS::Base*>(parameter));
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(outer->GetItemArray().GetSize(), 3u);
    auto* pairList = dynamic_cast<JS::Array*>(static_cast<JS::Base*>(outer->GetItemArray()[0]));
    ASSERT_NE(pairList, nullptr);
    ASSERT_EQ(pairList->GetItemArray().GetSize(), 2u);
    auto* pair = dynamic_cast<JS::Array*>(static_cast<JS::Base*>(pairList->GetItemArray()[0]));
    ASSERT_NE(pair, nullptr);
    EXPECT_EQ(ScalarOf(pair->GetItemArray()[1]).GetInteger(), 2);
    auto* empty = dynamic_cast<JS::Array*>(static_cast<JS::Base*>(pairList->GetItemArray()[1]));
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->GetItemArray().IsEmpty());
    EXPECT_EQ(outer->GetItemArray()[2], nullptr);

    auto none = sim::ToJsArguments(json());
    ASSERT_NE(dynamic_cast<JS::Array*>(static_cast<JS::Base*>(none)), nullptr);
    EXPECT_TRUE(dynamic_cast<JS::Array*>(static_cast<JS::Base*>(none))->GetItemArray().IsEmpty());

    EXPECT_THROW(sim::ToJsArguments(json::parse(R"([1, {"x": 1}])")), sim::Error);
    EXPECT_THROW(sim::ToJsArguments(json("not a list")), sim::Error);
}

TEST(PageValues, RepliesBecomeTextsBooleansOrNull)
{
    EXPECT_EQ(sim::FromJsValue(GS::NewRef<JS::Value>(GS::UniString("kůň"))), json("kůň"));
    EXPECT_EQ(sim::FromJsValue(GS::NewRef<JS::Value>(true)), json(true));
    EXPECT_EQ(sim::FromJsValue(GS::NewRef<JS::Value>(Int32(4))), json());
    EXPECT_EQ(sim::FromJsValue(GS::NewRef<JS::Array>()), json());
    EXPECT_EQ(sim::FromJsValue(nullptr), json());
}

// ---------------------------------------------------------------------------------------------
// The page's calls through a started module

TEST(SimulatorPage, FindsNothingBeforeThePaletteAndTheObjectsFunctionsAfter)
{
    test::ModuleSession session({.api = 30, .palette = test::SessionSetup::Palette::Closed});
    sim::Simulator& simulator = session.sim;
    EXPECT_FALSE(simulator.Call("GetVersion", json::array()).found);
    EXPECT_FALSE(simulator.Navigate("https://example.org/"));
    EXPECT_EQ(simulator.Address(), "");

    simulator.MenuCommand(32500, 1);
    sim::CallResult version = simulator.Call("GetVersion", json::array({1, "x"}));
    EXPECT_TRUE(version.found);
    EXPECT_EQ(version.Text(), LANDFETCH_ADDON_VERSION);
    EXPECT_FALSE(simulator.Call("NoSuchFunction", json()).found);
    EXPECT_EQ(simulator.PageLoads(), 1);
}

TEST(SimulatorPage, AnExceptionLeavingAnUnguardedFunctionIsReportedNotThrown)
{
    test::ModuleSession session({.api = 30, .project = json{{"faults", {{"GetPenCount", {{"code", -9}, {"throws", "std"}}}}}}});
    sim::Simulator& simulator = session.sim;
    sim::CallResult reply = simulator.Call("GetAttributes", json::array());
    EXPECT_TRUE(reply.found);
    EXPECT_TRUE(reply.reply.is_null());
    EXPECT_FALSE(simulator.LastCallException().empty());

    simulator.Call("GetVersion", json::array());
    EXPECT_EQ(simulator.LastCallException(), "");
}

TEST(SimulatorUi, TheSaveDialogAnswersAsTheScenarioSays)
{
    test::ModuleSession session({.api = 30});
    const test::TempFolder& folder = session.folder;
    sim::Simulator& simulator = session.sim;

    simulator.SetUi(json{{"saveDialog", "cancel"}});
    EXPECT_EQ(simulator.Call("ChooseSaveFile", json::array({"a.txt"})).Text(), R"({"ok":false,"err":"zruseno"})");
    EXPECT_TRUE(simulator.ChosenPaths().empty());

    simulator.SetUi(json{{"saveDialog", "accept"}});
    std::string accepted = simulator.Call("ChooseSaveFile", json::array({"a.txt"})).Text();
    ASSERT_EQ(simulator.ChosenPaths().size(), 1u);
    EXPECT_TRUE(simulator.ChosenPaths()[0].ends_with("a.txt")) << simulator.ChosenPaths()[0];
    EXPECT_EQ(json::parse(accepted)["path"], simulator.ChosenPaths()[0]);

    const std::string picked = folder / "picked.txt";
    simulator.SetUi(json{{"saveDialog", picked}});
    EXPECT_EQ(json::parse(simulator.Call("ChooseSaveFile", json::array()).Text())["path"], picked);
    EXPECT_EQ(simulator.ChosenPaths().back(), picked);

    EXPECT_THROW(simulator.SetUi(json{{"darkMode", "yes"}}), sim::Error);
}

}  // namespace
