#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "DGFileDialog.hpp"
#include "FileType.hpp"
#include "FileTypeManager.hpp"
#include "Location.hpp"
#include "Simulator.hpp"
#include "ModuleSession.hpp"
#include "TestSupport.hpp"

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

const std::string ByteOrderMark = "\xEF\xBB\xBF";
const std::string NoFolder = R"({"ok":false,"err":"cilova_slozka"})";
const std::string Cancelled = R"({"ok":false,"err":"zruseno"})";
const std::string Refused = R"({"ok":false,"err":"soubor"})";

std::string Success(const std::string& escapedPath)
{
    return R"({"ok":true,"path":")" + escapedPath + R"("})";
}

class ReportFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(projectFolder);
        fs::create_directories(documents);
    }

    void Open(json project, const json& saveDialog = "accept")
    {
        session = std::make_unique<test::ModuleSession>(
            test::SessionSetup{.project = project, .ui = json{{"darkMode", false}, {"saveDialog", saveDialog}}});
    }

    void OpenSaved(const json& saveDialog = "accept")
    {
        Open({{"untitled", false}, {"projectFile", projectFolder + "/Dům.pln"}}, saveDialog);
    }

    void OpenUntitled(const json& saveDialog = "accept")
    {
        Open({{"untitled", true}, {"specialFolders", {{"6", documents}, {"7", folder / "Temp"}}}}, saveDialog);
    }

    std::string Choose(const json& name)
    {
        const sim::CallResult result = session->sim.Call("ChooseSaveFile", json::array({name}));
        EXPECT_TRUE(result.found);
        return result.Text();
    }

    std::string Save(const json& target, const json& text)
    {
        const sim::CallResult result = session->sim.Call("SaveTextFile", json::array({target, text}));
        EXPECT_TRUE(result.found);
        return result.Text();
    }

    // Where a Windows-style path lands on this machine.
    static std::string Mapped(const std::string& path)
    {
        return IO::Location(GS::UniString(path.c_str())).ToFileSystemPath();
    }

    test::TempFolder folder;
    const std::string projectFolder = folder / "Projekty";
    const std::string documents = folder / "Dokumenty";
    std::unique_ptr<test::ModuleSession> session;
};

TEST_F(ReportFile, DialogProposesTheSanitisedNameInTheProjectFolder)
{
    OpenSaved();
    EXPECT_EQ(Choose(""), Success(projectFolder + "/report.txt"));
    EXPECT_EQ(Choose("a/b:c?.txt"), Success(projectFolder + "/a_b_c_.txt"));
    EXPECT_EQ(Choose(json()), Success(projectFolder + "/report.txt"));
    EXPECT_EQ(Choose("Zpráva \"1\".txt"), Success(projectFolder + "/Zpráva _1_.txt"));
}

TEST_F(ReportFile, UntitledProjectUsesTheDocumentsFolder)
{
    OpenUntitled();
    EXPECT_EQ(Choose("zprava.txt"), Success(documents + "/zprava.txt"));
    EXPECT_EQ(Save("zprava.txt", "Ahoj"), Success(documents + "/zprava.txt"));
    EXPECT_EQ(test::ReadFile(documents + "/zprava.txt"), ByteOrderMark + "Ahoj");
}

TEST_F(ReportFile, NoFolderForEitherCall)
{
    Open({{"untitled", true}, {"faults", {{"GetSpecialFolder", -2130313216}}}});
    EXPECT_EQ(Choose("zprava.txt"), NoFolder);
    EXPECT_EQ(Save("zprava.txt", "x"), NoFolder);
}

TEST_F(ReportFile, UnreadableProjectFallsBackToTheDocumentsFolder)
{
    Open({{"untitled", false},
          {"projectFile", projectFolder + "/Dům.pln"},
          {"specialFolders", {{"6", documents}, {"7", folder / "Temp"}}},
          {"faults", {{"GetProjectInfo", -2130313216}}}});
    EXPECT_EQ(Save("zprava.txt", ""), Success(documents + "/zprava.txt"));
}

TEST_F(ReportFile, CancelledDialog)
{
    OpenSaved("cancel");
    EXPECT_EQ(Choose("zprava.txt"), Cancelled);
}

TEST_F(ReportFile, NameOnlyLandsNextToTheProjectFile)
{
    OpenSaved();
    EXPECT_EQ(Save("zprava.txt", "Parcela 123/4\r\nVýměra 512 m²\n"), Success(projectFolder + "/zprava.txt"));
    EXPECT_EQ(test::ReadFile(projectFolder + "/zprava.txt"), ByteOrderMark + "Parcela 123/4\r\nVýměra 512 m²\n");
    EXPECT_EQ(Save("C:report.txt", "x"), Success(projectFolder + "/C_report.txt"));
    EXPECT_TRUE(fs::exists(projectFolder + "/C_report.txt"));
    EXPECT_EQ(Save("", "y"), Success(projectFolder + "/report.txt"));
}

TEST_F(ReportFile, FileContentIsTheMarkThenUtf8)
{
    OpenSaved();
    Save("prazdny.txt", "");
    EXPECT_EQ(test::ReadFile(projectFolder + "/prazdny.txt"), ByteOrderMark);

    Save("cesky.txt", "Žluťoučký kůň úpěl ďábelské ódy");
    EXPECT_EQ(test::ReadFile(projectFolder + "/cesky.txt"),
              ByteOrderMark + "\xC5\xBD" "lu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88 \xC3\xBAp\xC4\x9Bl "
                              "\xC4\x8F\xC3\xA1" "belsk\xC3\xA9 \xC3\xB3" "dy");

    Save("nula.txt", std::string("před\0po", 9));
    EXPECT_EQ(test::ReadFile(projectFolder + "/nula.txt"), ByteOrderMark + "před");

    // A second save replaces the file rather than appending to it.
    Save("cesky.txt", "krátký");
    EXPECT_EQ(test::ReadFile(projectFolder + "/cesky.txt"), ByteOrderMark + "krátký");
}

TEST_F(ReportFile, WindowsPathsWriteExactlyThereWithDoubledBackslashes)
{
    Open({{"untitled", false}, {"projectFile", "C:\\Projekty\\Dům.pln"}});
    const std::string target = "C:\\Projekty\\zprava.txt";
    fs::create_directories(fs::path(Mapped(target)).parent_path());
    EXPECT_EQ(Choose("zprava.txt"), Success("C:\\\\Projekty\\\\zprava.txt"));
    EXPECT_EQ(Save(target, "Ahoj"), Success("C:\\\\Projekty\\\\zprava.txt"));
    EXPECT_EQ(test::ReadFile(Mapped(target)), ByteOrderMark + "Ahoj");
}

TEST_F(ReportFile, PathChosenInTheDialogMayBeWritten)
{
    const std::string chosen = "C:\\Jinde\\vybrano.txt";
    OpenSaved(chosen);
    fs::create_directories(fs::path(Mapped(chosen)).parent_path());
    EXPECT_EQ(Choose("zprava.txt"), Success("C:\\\\Jinde\\\\vybrano.txt"));
    EXPECT_EQ(Save(chosen, "text"), Success("C:\\\\Jinde\\\\vybrano.txt"));
    EXPECT_EQ(test::ReadFile(Mapped(chosen)), ByteOrderMark + "text");

    // Its neighbour was not chosen.
    EXPECT_EQ(Save("C:\\Jinde\\jiny.txt", "text"), Refused);
    EXPECT_FALSE(fs::exists(fs::path(Mapped(chosen)).parent_path() / "jiny.txt"));
}

TEST_F(ReportFile, OtherAbsolutePathsAreRefusedAndLeftAlone)
{
    OpenSaved();
    const std::string existing = folder / "autoexec.bat";
    test::WriteFile(existing, "puvodni");
    EXPECT_EQ(Save(existing, "echo pwned"), Refused);
    EXPECT_EQ(test::ReadFile(existing), "puvodni");

    fs::create_directories(projectFolder + "/podslozka");
    EXPECT_EQ(Save(projectFolder + "/podslozka/x.txt", "x"), Refused);
    EXPECT_EQ(Save(projectFolder + "/../x.txt", "x"), Refused);
    EXPECT_EQ(Save(projectFolder + "/..", "x"), Refused);
    EXPECT_FALSE(fs::exists(projectFolder + "/podslozka/x.txt"));
    EXPECT_FALSE(fs::exists(folder / "x.txt"));

    // A path directly in the report folder is as good as the bare name.
    EXPECT_EQ(Save(projectFolder + "/primo.txt", "ok"), Success(projectFolder + "/primo.txt"));
    EXPECT_EQ(test::ReadFile(projectFolder + "/primo.txt"), ByteOrderMark + "ok");
}

TEST_F(ReportFile, CancelledDialogGrantsNothing)
{
    const std::string elsewhere = folder / "jinde.txt";
    OpenSaved("cancel");
    EXPECT_EQ(Choose("jinde.txt"), Cancelled);
    EXPECT_EQ(Save(elsewhere, "x"), Refused);
    EXPECT_FALSE(fs::exists(elsewhere));
}

TEST_F(ReportFile, SaveDialogShowsTheReportTypeAndTitle)
{
    OpenSaved();
    // Stand in for the user to see what the dialog was given; the next Start installs the scenario's answerer again.
    DG::FileDialog::Type type = DG::FileDialog::OpenFile;
    GS::UniString title;
    std::vector<FTM::GeneralID> filters;
    IO::Location shownFolder, proposed;
    DG::SetFileDialogAnswerer([&](DG::FileDialog& dialog) {
        type = dialog.GetType();
        title = dialog.GetTitle();
        filters = dialog.GetFilters();
        shownFolder = dialog.GetFolder();
        proposed = dialog.GetProposedFile();
        return false;
    });
    EXPECT_EQ(Choose("x?y"), Cancelled);
    EXPECT_EQ(type, DG::FileDialog::Save);
    EXPECT_EQ(title, GS::UniString("Uložit report o pozemku"));
    EXPECT_EQ(shownFolder, IO::Location(GS::UniString(projectFolder.c_str())));
    EXPECT_EQ(proposed, IO::Location(GS::UniString((projectFolder + "/x_y").c_str())));
    ASSERT_EQ(filters.size(), 1u);
    FTM::FileType reportType("", "", 0, 0, 0);
    ASSERT_TRUE(FTM::FileTypeManager::GetType(filters[0], &reportType));
    EXPECT_EQ(reportType.GetDescription(), GS::UniString("Textový soubor"));
    EXPECT_EQ(reportType.GetExtension(), GS::UniString("txt"));

    // The type is registered once, however often the dialog opens.
    std::vector<FTM::GeneralID> second;
    DG::SetFileDialogAnswerer([&](DG::FileDialog& dialog) {
        second = dialog.GetFilters();
        return false;
    });
    Choose("z");
    EXPECT_EQ(second, filters);
}

TEST_F(ReportFile, FailedWriteIsNotReportedAsSaved)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    OpenSaved("/dev/full");
    EXPECT_EQ(Choose("plny.txt"), Success("/dev/full"));
    EXPECT_EQ(Save("/dev/full", std::string(70000, 'x')), R"({"ok":false,"err":"zapis"})");
}

// The page knows two error words for a report file: "soubor" for a file it cannot have, "zapis"
// for one that could not be written. A file that cannot be made is the first.
TEST_F(ReportFile, AFileThatCannotBeMadeIsAnsweredWithThePagesWordForIt)
{
    OpenSaved();
    fs::create_directories(projectFolder + "/slozka.txt");
    EXPECT_EQ(Save("slozka.txt", "x"), Refused);
    EXPECT_TRUE(fs::is_directory(projectFolder + "/slozka.txt"));

    const std::string tooLong = std::string(300, 'n') + ".txt";
    EXPECT_EQ(Save(tooLong, "x"), Refused);

    // A chosen path on a drive this machine cannot reach.
    session.reset();
    OpenSaved("Q:\\Nikde\\zprava.txt");
    EXPECT_EQ(Choose("zprava.txt"), Success("Q:\\\\Nikde\\\\zprava.txt"));
    EXPECT_EQ(Save("Q:\\Nikde\\zprava.txt", "x"), Refused);
}

TEST_F(ReportFile, TheProjectAndTheHostsOwnFilesAreNeverReplaced)
{
    Open({{"untitled", false}, {"projectFile", projectFolder + "/plot.pln"}});
    test::WriteFile(projectFolder + "/plot.pln", "projekt");
    for (const std::string name : {"plot.pln", "PLOT.PLN", "plot.pln.", "plot.pln ", "plot.pln. . ", "jiny.pln",
                                    "archiv.pla", "archiv.PLA", "tym.plp", "tym.plc", "sablona.tpl", "zaloha.bpn",
                                    "zaloha.bak", "zaloha.Bak"}) {
        EXPECT_EQ(Save(name, "x"), Refused) << name;
        EXPECT_FALSE(fs::exists(projectFolder + "/" + name) && name != "plot.pln") << name;
    }
    // Nor by its full path, an alternate stream of it, or a path chosen in the dialog.
    EXPECT_EQ(Save(projectFolder + "/plot.pln", "x"), Refused);
    EXPECT_EQ(Save(projectFolder + "/plot.pln::$DATA", "x"), Refused);
    EXPECT_EQ(Save(projectFolder + "/plot.pln:x", "x"), Refused);
    EXPECT_EQ(test::ReadFile(projectFolder + "/plot.pln"), "projekt");

    session.reset();
    OpenSaved(projectFolder + "/plot.pln");
    EXPECT_EQ(Choose("plot.pln"), Success(projectFolder + "/plot.pln"));
    EXPECT_EQ(Save(projectFolder + "/plot.pln", "x"), Refused);
    EXPECT_EQ(test::ReadFile(projectFolder + "/plot.pln"), "projekt");

    // Names that merely contain a host extension are ordinary reports.
    EXPECT_EQ(Save("plot.pln.txt", "x"), Success(projectFolder + "/plot.pln.txt"));
    EXPECT_EQ(Save("pln", "x"), Success(projectFolder + "/pln"));
}

TEST_F(ReportFile, AProjectFileWithAnyExtensionIsProtected)
{
    Open({{"untitled", false}, {"projectFile", projectFolder + "/Dům.projekt"}});
    test::WriteFile(projectFolder + "/Dům.projekt", "projekt");
    for (const std::string name : {"Dům.projekt", "DůM.PROJEKT", "Dům.projekt.", "Dům.projekt  "})
        EXPECT_EQ(Save(name, "x"), Refused) << name;
    EXPECT_EQ(Save(projectFolder + "/Dům.projekt", "x"), Refused);
    EXPECT_EQ(test::ReadFile(projectFolder + "/Dům.projekt"), "projekt");
    EXPECT_EQ(Save("Dům.projekt.txt", "x"), Success(projectFolder + "/Dům.projekt.txt"));
}

}  // namespace
