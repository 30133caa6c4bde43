// The host window of `browse`: the project as it changes, answered by path; undo and redo from it.

#include <gtest/gtest.h>

#include "cli/HostWindow.hpp"
#include "PlacementHarness.hpp"
#include "TestSupport.hpp"

namespace {

using nlohmann::json;
using placementtest::Session;

class HostWindowTest : public ::testing::Test {
protected:
    HostWindowTest()
        : window(session.sim, page.Path().string(), (page.Path() / "three").string(), (session.folder.Path() / "host").string())
    {
        test::WriteFile(page.Path() / "index.html", "<p>host</p>");
        std::filesystem::create_directories(page.Path() / "three" / "build");
        test::WriteFile(page.Path() / "three" / "build" / "three.module.js", "export {};");
        test::WriteFile(session.folder.Path() / "secret.txt", "secret");
    }

    json State()
    {
        const sim::HostWindowReply reply = window.Answer("GET", "/project/state.json");
        EXPECT_EQ(reply.status, 200);
        return json::parse(reply.body, nullptr, false);
    }

    void PlaceCadastre(const std::string& target)
    {
        session.Call("PlaceCadastre", json::array({target, "Katastr", "K1", 0,
            json::array({json::array({"KN", 1, "", "lines", json::array({json::array({json::array({0, 0}), json::array({10, 0})})})})})}));
        window.CallMade();
    }

    test::TempFolder page;
    Session session;
    sim::HostWindow window;
};

TEST_F(HostWindowTest, ServesItsPageAndThreeFromTheirFolders)
{
    sim::HostWindowReply index = window.Answer("GET", "/");
    EXPECT_EQ(index.status, 200);
    EXPECT_EQ(index.body, "<p>host</p>");
    EXPECT_EQ(index.mime, "text/html; charset=utf-8");
    sim::HostWindowReply three = window.Answer("GET", "/three/build/three.module.js?v=1");
    EXPECT_EQ(three.status, 200);
    EXPECT_EQ(three.mime, "text/javascript; charset=utf-8");
    EXPECT_EQ(window.Answer("GET", "/missing.js").status, 404);
}

TEST_F(HostWindowTest, NothingOutsideItsFoldersIsServed)
{
    for (const char* path : {"/../secret.txt", "/three/../../secret.txt", "/project/views/../../secret.txt",
                             "/project/model/../../../secret.txt", "/project/views//etc/passwd", "//etc/passwd"}) {
        const sim::HostWindowReply reply = window.Answer("GET", path);
        EXPECT_EQ(reply.status, 404) << path;
        EXPECT_EQ(reply.body.find("secret"), std::string::npos) << path;
    }
    EXPECT_EQ(window.Answer("PUT", "/index.html").status, 405);
    EXPECT_EQ(window.Answer("POST", "/action/delete").status, 405);
}

TEST_F(HostWindowTest, StateFollowsEveryCallAndShowsTheCurrentView)
{
    json state = State();
    EXPECT_EQ(state["undo"], json::array());
    EXPECT_EQ(state["model"], false);
    EXPECT_EQ(state["currentView"], "plan-story-0.svg");

    PlaceCadastre("worksheet");
    PlaceCadastre("plan");
    state = State();
    EXPECT_EQ(state["calls"], 2);
    EXPECT_EQ(state["revision"], window.Revision());
    EXPECT_EQ(state["undo"], json::array({"Vložit katastr", "Vložit katastr"}));
    EXPECT_EQ(state["elements"], 2);
    ASSERT_EQ(state["views"].size(), 2u);
    EXPECT_EQ(state["currentView"], "plan-story-0.svg");  // the add-on switches back to the user's view
    for (const json& view : state["views"]) {
        const sim::HostWindowReply svg = window.Answer("GET", "/project/views/" + view["file"].get<std::string>() + "?r=3");
        EXPECT_EQ(svg.status, 200) << view;
        EXPECT_EQ(svg.mime, "image/svg+xml");
        EXPECT_NE(svg.body.find("<svg"), std::string::npos);
    }
}

TEST_F(HostWindowTest, UndoAndRedoActAsTheUserDoes)
{
    PlaceCadastre("plan");
    sim::HostWindowReply undo = window.Answer("POST", "/action/undo");
    EXPECT_EQ(undo.status, 200);
    EXPECT_EQ(json::parse(undo.body)["done"], 1);
    json state = State();
    EXPECT_EQ(state["undo"], json::array());
    EXPECT_EQ(state["redo"], json::array({"Vložit katastr"}));
    EXPECT_EQ(state["elements"], 0);
    EXPECT_EQ(json::parse(window.Answer("POST", "/action/undo").body)["done"], 0);  // nothing left

    EXPECT_EQ(json::parse(window.Answer("POST", "/action/redo").body)["done"], 1);
    state = State();
    EXPECT_EQ(state["undo"], json::array({"Vložit katastr"}));
    EXPECT_EQ(state["elements"], 1);
    EXPECT_EQ(session.Project()["undoSteps"].size(), 1u);
}

TEST_F(HostWindowTest, TheModelAppearsWithTheFirstMesh)
{
    session.Call("PlaceTerrain", json::array({"dmr5g", "0 0 1\n10 0 2\n10 10 3\n0 10 4\n", 0}));
    window.CallMade();
    const json state = State();
    EXPECT_EQ(state["model"], true);
    EXPECT_EQ(state["meshes"], 1);
    const sim::HostWindowReply gltf = window.Answer("GET", "/project/model/model.gltf");
    EXPECT_EQ(gltf.status, 200);
    EXPECT_EQ(gltf.mime, "model/gltf+json");
    EXPECT_EQ(window.Answer("GET", "/project/model/model.bin").status, 200);
}

}  // namespace
