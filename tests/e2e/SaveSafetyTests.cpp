// What a failed or interrupted save leaves: the old files byte for byte, no temporary file, and one
// line that names what could not be written.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "TestSupport.hpp"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using test::HostRun;
using test::RunHost;
using test::ShellQuoted;

// landfetch-host with its Nth write made to fail: "N", or "N:TERM" for a SIGTERM half way through it.
HostRun RunHost(const std::vector<std::string>& args, const std::string& failWrite)
{
    return test::RunHost(args, {"LANDFETCH_HOST_FAIL_WRITE=" + failWrite});
}

const std::string OnePixelPng = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVQI12P4z8AAAAMBAQAY3Y2wAAAAAElFTkSuQmCC";
const std::string OtherPixelPng = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVQI12NgYPgPAAEDAQAIicLsAAAAAElFTkSuQmCC";

std::vector<std::string> Terrain(std::vector<std::string> options, const std::string& texture, double x = 0)
{
    std::string points;
    for (const auto& [dx, dy, z] : {std::tuple{0, 0, 1}, {10, 0, 2}, {10, 10, 3}, {0, 10, 4}})
        points += std::to_string(x + dx) + " " + std::to_string(dy) + " " + std::to_string(z) + "\n";
    for (const char* arg : {"call", "PlaceTerrain", "dmr5g"})
        options.push_back(arg);
    for (const std::string& arg : {points, std::string("0"), std::string("[]"), std::string(), std::string(),
                                   std::string(), std::string(), std::string("0"), texture, std::string("10"),
                                   std::string("10")})
        options.push_back(arg);
    return options;
}

// Every file below `folder` with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().string()] = test::ReadFile(entry.path());
    return files;
}

std::vector<std::string> TemporaryFiles(const fs::path& folder)
{
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.path().filename().string().find(".tmp-") != std::string::npos)
            left.push_back(entry.path().string());
    return left;
}

std::set<std::string> TextureFiles(const json& project)
{
    std::set<std::string> files;
    for (const json& surface : project["surfaces"])
        if (surface.contains("texture"))
            files.insert(surface["texture"]["file"].get<std::string>());
    return files;
}

int LineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Whole as its kind is written: the JSON files parse, the drawings end their document.
bool Whole(const fs::path& file, const std::string& bytes)
{
    const std::string kind = file.extension().string();
    if (kind == ".json" || kind == ".gltf")
        return json::accept(bytes);
    if (kind == ".svg")
        return bytes.ends_with("</svg>\n");
    return true;
}

// A project saved with a texture and exported, as a user has it before the run that fails.
struct SavedProject {
    SavedProject()
    {
        const HostRun run = RunHost(Terrain({"--save", file, "--out", out}, OnePixelPng));
        EXPECT_EQ(run.status, 0) << run.err;
        before = Snapshot(folder.Path());
        textures = TextureFiles(json::parse(test::ReadFile(file)));
        EXPECT_EQ(textures.size(), 1u);
    }

    test::TempFolder folder;
    const std::string file = folder / "p.json";
    const std::string out = folder / "out";
    std::map<std::string, std::string> before;
    std::set<std::string> textures;
};

}  // namespace

TEST(SaveSafety, AFullDiskLeavesTheOldProjectFileAsItWas)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    test::TempFolder outer;
    const fs::path disk = outer.Path() / "disk";
    fs::create_directories(disk);
    if (std::system(("mount -t tmpfs -o size=512k tmpfs " + ShellQuoted(disk.string()) + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this machine does not allow mounting a tmpfs";
    struct Unmount {
        fs::path disk;
        ~Unmount() { std::system(("umount " + ShellQuoted(disk.string())).c_str()); }
    } unmount{disk};

    const std::string file = (disk / "p.json").string();
    HostRun run = RunHost({"--save", file, "call", "SetSurveyPoint", "-743500.5", "-1043250.25", "250", "1", "50.08", "14.42"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string old = test::ReadFile(file);

    // Fill the disk to a few kilobytes, less than the new file needs.
    {
        std::FILE* filler = std::fopen((disk / "filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        const std::string block(4096, 'x');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
        }
        std::fclose(filler);
        fs::resize_file(disk / "filler", fs::file_size(disk / "filler") - 16 * 1024);
    }
    const std::string big(60 * 1024, 'a');
    run = RunHost({"--project", file, "--save", file, "call", "SetProjectInfo", json::array({json::array({"Pozemek", big})}).dump()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
    EXPECT_EQ(run.err.rfind("landfetch-host: " + file + ": cannot be written (No space left on device)", 0), 0u) << run.err;
    EXPECT_TRUE(test::ReadFile(file) == old) << "the old project file changed";
    EXPECT_EQ(TemporaryFiles(disk), std::vector<std::string>());

    // With room again the same save goes through.
    fs::remove(disk / "filler");
    run = RunHost({"--project", file, "--save", file, "call", "SetProjectInfo", json::array({json::array({"Pozemek", big})}).dump()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(test::ReadFile(file).find(big), std::string::npos);
}

// Each file the run writes fails in turn: the texture copied into the library, the project file,
// then each export.
TEST(SaveSafety, AFailureAtAnyWriteLeavesEveryOldFileWhole)
{
    bool projectFailed = false, exportFailed = false, allWritten = false;
    for (int n = 1; n <= 12 && !allWritten; ++n) {
        SCOPED_TRACE("write " + std::to_string(n) + " fails");
        SavedProject saved;
        const HostRun run = RunHost(Terrain({"--project", saved.file, "--save", saved.file, "--out", saved.out}, OtherPixelPng, 20),
                                    std::to_string(n));
        EXPECT_EQ(TemporaryFiles(saved.folder.Path()), std::vector<std::string>());
        const auto after = Snapshot(saved.folder.Path());
        for (const auto& [path, bytes] : after)
            EXPECT_TRUE(Whole(path, bytes)) << path;
        if (run.status == 0) {
            // Either the add-on's copy into the library failed and its reply says so, or every
            // write is done: the saved project names only files that are there.
            const json project = json::parse(test::ReadFile(saved.file));
            for (const std::string& texture : TextureFiles(project))
                EXPECT_TRUE(fs::is_regular_file(texture)) << texture;
            allWritten = run.out.starts_with("kod=0 ") && run.out.find("_err") == std::string::npos;
            continue;
        }
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(LineCount(run.err), 1) << run.err;
        EXPECT_NE(run.err.find(": cannot be written (No space left on device)"), std::string::npos) << run.err;
        if (run.err.find(saved.file + ":") != std::string::npos) {
            projectFailed = true;
            EXPECT_TRUE(test::ReadFile(saved.file) == saved.before.at(saved.file)) << "the old project file changed";
            for (const std::string& texture : saved.textures)
                EXPECT_TRUE(fs::is_regular_file(texture)) << "the old project's texture " << texture;
            // The run's new texture went with the file that would have used it.
            EXPECT_EQ(std::distance(fs::directory_iterator(saved.folder.Path() / "p-files/EmbeddedLibrary"),
                                    fs::directory_iterator()),
                      1)
                << "a texture no project uses was left";
        } else {
            ASSERT_NE(run.err.find(saved.out), std::string::npos) << run.err;
            exportFailed = true;
            // The export that failed is still the old one.
            const std::string failed = run.err.substr(16, run.err.find(": cannot") - 16);
            EXPECT_TRUE(after.at(failed) == saved.before.at(failed)) << failed;
        }
    }
    EXPECT_TRUE(projectFailed) << "the project file's write never failed";
    EXPECT_TRUE(exportFailed) << "no export's write failed";
    EXPECT_TRUE(allWritten) << "more writes than the test tries";
}

TEST(SaveSafety, ASignalDuringASaveLeavesAWholeFileAndNoTemporaryOne)
{
    SavedProject saved;
    // The first file this run writes is the project file.
    const HostRun run = RunHost({"--project", saved.file, "--save", saved.file, "call", "SetProjectInfo", R"([["Pozemek","Průhonice"]])"},
                                "1:TERM");
    EXPECT_EQ(run.status, 128 + SIGTERM) << run.err;
    EXPECT_EQ(TemporaryFiles(saved.folder.Path()), std::vector<std::string>());
    const json project = json::parse(test::ReadFile(saved.file));  // whole: it waited for the signal
    EXPECT_NE(project.dump().find("Průhonice"), std::string::npos);
}

TEST(SaveSafety, ReplacingAProjectSwitchesToItsTexturesAndThenDropsTheOldOnes)
{
    SavedProject saved;
    test::TempFolder elsewhere;
    const std::string other = elsewhere / "q.json";
    HostRun run = RunHost(Terrain({"--save", other}, OtherPixelPng));
    ASSERT_EQ(run.status, 0) << run.err;

    // Another project saved over p.json: its texture is copied beside p.json first, p.json then
    // names it, and the texture only the old p.json used goes.
    run = RunHost({"--project", other, "--save", saved.file, "call", "GetVersion"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::set<std::string> now = TextureFiles(json::parse(test::ReadFile(saved.file)));
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(fs::path(*now.begin()).parent_path(), saved.folder.Path() / "p-files/EmbeddedLibrary");
    EXPECT_TRUE(fs::is_regular_file(*now.begin()));
    for (const std::string& texture : saved.textures)
        EXPECT_FALSE(fs::exists(texture)) << texture << " is used by no project any more";
    EXPECT_TRUE(fs::is_regular_file(*TextureFiles(json::parse(test::ReadFile(other))).begin()))
        << "the other project keeps its own";
}

TEST(SaveSafety, TheDemoKeepsTheOldProjectWhenItsSaveFails)
{
    test::TempFolder folder;
    const std::string out = folder / "out";
    HostRun run = RunHost({"--out", out, "demo"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string projectFile;
    for (const auto& [path, bytes] : Snapshot(out))
        if (path.ends_with(".json"))
            projectFile = path;
    ASSERT_FALSE(projectFile.empty());

    // The demo's first write of a file of its own is the project file, after its texture copies.
    bool failedThere = false;
    for (int n = 1; n <= 8 && !failedThere; ++n) {
        const auto before = Snapshot(out);  // a run whose texture copy failed still saved its project
        run = RunHost({"--out", out, "demo"}, std::to_string(n));
        EXPECT_EQ(TemporaryFiles(out), std::vector<std::string>());
        if (run.err.find(projectFile + ": cannot be written") == std::string::npos)
            continue;
        failedThere = true;
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(test::ReadFile(projectFile) == before.at(projectFile)) << "the old project file changed";
        for (const std::string& texture : TextureFiles(json::parse(before.at(projectFile))))
            EXPECT_TRUE(fs::is_regular_file(texture)) << "the old project's texture " << texture;
    }
    EXPECT_TRUE(failedThere) << "the project file's write never failed";
}
