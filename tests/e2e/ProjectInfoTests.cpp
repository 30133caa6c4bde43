#include <initializer_list>
#include <string>
#include <utility>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ModuleSession.hpp"
#include "Simulator.hpp"

namespace {

using nlohmann::json;

class ProjectInfo : public ::testing::Test {
protected:
    // Runs one SetProjectInfo call on a project and keeps the project as saved afterwards.
    std::string Call(const json& project, const json& args)
    {
        test::ModuleSession session({.project = project});
        const sim::CallResult result = session.Call("SetProjectInfo", args);
        EXPECT_TRUE(result.found);
        saved = session.Project();
        return result.Text();
    }

    // Every autotext named `name`, as {name, value} pairs.
    json Named(const std::string& name) const
    {
        json found = json::array();
        for (const auto& autotext : saved.value("autotexts", json::array())) {
            if (autotext.at("name") == name)
                found.push_back(autotext.at("value"));
        }
        return found;
    }

    json saved;
};

// The call's arguments: one list of [key, value] pairs (built explicitly, so that no pair list
// is mistaken for a JSON object).
json Args(std::initializer_list<std::pair<json, json>> pairs)
{
    json list = json::array();
    for (const auto& [key, value] : pairs)
        list.push_back(json::array({key, value}));
    return json::array({list});
}

json WithParcel()
{
    return {{"autotexts", {{{"name", "Parcela"}, {"key", "LANDFETCH-PARCELA"}, {"value", "staré"}}}}};
}

TEST_F(ProjectInfo, ExistingAutotextIsSet)
{
    EXPECT_EQ(Call(WithParcel(), Args({{"Parcela", "123/4"}})),
              R"({"ok":true,"set":1,"created":0})");
    EXPECT_EQ(Named("Parcela"), json::array({"123/4"}));
}

TEST_F(ProjectInfo, NewKeyIsCreatedOnceAndLaterPairsFindIt)
{
    EXPECT_EQ(Call(WithParcel(), Args({{"Katastrální území", "Praha"}, {"Katastrální území", "Brno"}})), R"({"ok":true,"set":2,"created":1})");
    EXPECT_EQ(Named("Katastrální území"), json::array({"Brno"}));
    EXPECT_EQ(Named("Parcela"), json::array({"staré"}));
}

TEST_F(ProjectInfo, KeysAreCaseSensitive)
{
    EXPECT_EQ(Call(WithParcel(), Args({{"parcela", "5"}})), R"({"ok":true,"set":1,"created":1})");
    EXPECT_EQ(Named("parcela"), json::array({"5"}));
    EXPECT_EQ(Named("Parcela"), json::array({"staré"}));
}

TEST_F(ProjectInfo, EmptyKeySkippedEmptyValueSet)
{
    EXPECT_EQ(Call(WithParcel(), Args({{"", "nikam"}, {"Parcela", ""}})),
              R"({"ok":true,"set":1,"created":0})");
    EXPECT_EQ(Named("Parcela"), json::array({""}));
    EXPECT_EQ(Named(""), json::array());
}

TEST_F(ProjectInfo, NoPairsStillReadsTheList)
{
    EXPECT_EQ(Call(WithParcel(), json::array()), R"({"ok":true,"set":0,"created":0})");
    EXPECT_EQ(Call(WithParcel(), json::array({json::array()})), R"({"ok":true,"set":0,"created":0})");

    json unreadable = WithParcel();
    unreadable["faults"] = {{"GetAutoTexts", -2130313216}};
    EXPECT_EQ(Call(unreadable, json::array()), R"({"ok":false,"err":"autotexty"})");
}

TEST_F(ProjectInfo, UnreadableListChangesNothing)
{
    json project = WithParcel();
    project["faults"] = {{"GetAutoTexts", -2130313216}};
    EXPECT_EQ(Call(project, Args({{"Parcela", "nová"}, {"Nový", "x"}})), R"({"ok":false,"err":"autotexty"})");
    EXPECT_EQ(Named("Parcela"), json::array({"staré"}));
    EXPECT_EQ(Named("Nový"), json::array());
}

TEST_F(ProjectInfo, FailedCreationAndFailedSetAreNotCounted)
{
    json project = WithParcel();
    project["faults"] = {{"CreateAutoText", {{"code", -2130313216}, {"calls", {1}}}}};
    EXPECT_EQ(Call(project, Args({{"První", "1"}, {"Druhý", "2"}})), R"({"ok":true,"set":1,"created":1})");
    EXPECT_EQ(Named("První"), json::array());
    EXPECT_EQ(Named("Druhý"), json::array({"2"}));

    project["faults"] = {{"SetAutoText", {{"code", -2130313216}, {"calls", {1}}}}};
    EXPECT_EQ(Call(project, Args({{"Parcela", "a"}, {"Parcela", "b"}})), R"({"ok":true,"set":1,"created":0})");
    EXPECT_EQ(Named("Parcela"), json::array({"b"}));
}

TEST_F(ProjectInfo, FailedRereadAfterCreationLeavesThePairUnset)
{
    json project = WithParcel();
    project["faults"] = {{"GetAutoTexts", {{"code", -2130313216}, {"calls", {2}}}}};
    const std::string reply = Call(project, Args({{"Nový", "x"}}));
    // Created, but the key is not in the list the host left, so its value is not written.
    EXPECT_EQ(reply, R"({"ok":true,"set":0,"created":1})");
}

TEST_F(ProjectInfo, LooseArgumentsAreReadAsPairs)
{
    // A bare text is a list of one pair whose value is missing; numbers read as empty texts.
    EXPECT_EQ(Call(WithParcel(), json::array({"Parcela"})), R"({"ok":true,"set":1,"created":0})");
    EXPECT_EQ(Named("Parcela"), json::array({""}));
    EXPECT_EQ(Call(WithParcel(), Args({{"Parcela", 42}})), R"({"ok":true,"set":1,"created":0})");
    EXPECT_EQ(Named("Parcela"), json::array({""}));
    EXPECT_EQ(Call(WithParcel(), Args({{12, "x"}})), R"({"ok":true,"set":0,"created":0})");
}

TEST_F(ProjectInfo, KeyWithZeroCharacterCreatesNothing)
{
    // The narrow name would stop at U+0000 and create "Par" instead.
    EXPECT_EQ(Call(json::object(), Args({{std::string("Par\0cela", 8), "x"}})),
              R"({"ok":true,"set":0,"created":0})");
    EXPECT_TRUE(saved.value("autotexts", json::array()).empty());
}

}  // namespace
