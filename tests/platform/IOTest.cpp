#include <gtest/gtest.h>

#include <filesystem>

#include "File.hpp"
#include "FileType.hpp"
#include "FileTypeManager.hpp"
#include "Location.hpp"
#include "TestSupport.hpp"

namespace {

std::string PathOf(const IO::Location& location)
{
    GS::UniString path;
    EXPECT_EQ(location.ToPath(&path), NoError);
    return path.ToUtf8();
}

IO::Location At(const char* path)
{
    return IO::Location(GS::UniString(path));
}

TEST(Location, PosixPathsAppendAndDeleteNames)
{
    IO::Location folder = At("/home/user/projects");
    EXPECT_EQ(folder.AppendToLocal(IO::Name(GS::UniString("report.txt"))), NoError);
    EXPECT_EQ(PathOf(folder), "/home/user/projects/report.txt");

    IO::Name last;
    EXPECT_EQ(folder.GetLastLocalName(&last), NoError);
    EXPECT_EQ(last.ToString(), "report.txt");
    EXPECT_EQ(folder.DeleteLastLocalName(), NoError);
    EXPECT_EQ(PathOf(folder), "/home/user/projects");

    IO::Location withSlash = At("/tmp/");
    withSlash.AppendToLocal(IO::Name(GS::UniString("a b")));
    EXPECT_EQ(PathOf(withSlash), "/tmp/a b");
    EXPECT_NE(withSlash.AppendToLocal(IO::Name()), NoError);
}

TEST(Location, DeletingStopsAtTheRoot)
{
    IO::Location path = At("/project.pln");
    EXPECT_EQ(path.DeleteLastLocalName(), NoError);
    EXPECT_EQ(PathOf(path), "/");
    EXPECT_NE(path.DeleteLastLocalName(), NoError);
    EXPECT_EQ(PathOf(path), "/");

    IO::Location bare = At("project.pln");
    EXPECT_NE(bare.DeleteLastLocalName(), NoError);
    IO::Location empty;
    EXPECT_NE(empty.DeleteLastLocalName(), NoError);
    IO::Name name;
    EXPECT_NE(empty.GetLastLocalName(&name), NoError);
}

TEST(Location, WindowsPathsKeepTheirSeparatorStyle)
{
    IO::Location backslashed = At("C:\\Projects\\Plot");
    backslashed.AppendToLocal(IO::Name(GS::UniString("report.txt")));
    EXPECT_EQ(PathOf(backslashed), "C:\\Projects\\Plot\\report.txt");

    IO::Location forward = At("C:/Projects");
    forward.AppendToLocal(IO::Name(GS::UniString("report.txt")));
    EXPECT_EQ(PathOf(forward), "C:/Projects/report.txt");

    IO::Location file = At("D:\\plot.pln");
    EXPECT_EQ(file.DeleteLastLocalName(), NoError);
    EXPECT_EQ(PathOf(file), "D:\\");
    EXPECT_NE(file.DeleteLastLocalName(), NoError);

    IO::Location unc = At("\\\\server\\share\\plots\\plot.pln");
    EXPECT_EQ(unc.DeleteLastLocalName(), NoError);
    EXPECT_EQ(unc.DeleteLastLocalName(), NoError);
    EXPECT_EQ(PathOf(unc), "\\\\server\\share");
    EXPECT_NE(unc.DeleteLastLocalName(), NoError);
}

TEST(Location, BackslashIsAnOrdinaryCharacterInPosixNames)
{
    IO::Location path = At("/tmp/a\\b");
    IO::Name last;
    path.GetLastLocalName(&last);
    EXPECT_EQ(last.ToString(), "a\\b");
}

TEST(Location, DrivesMapToFoldersSetByTheHost)
{
    IO::SetDriveFolder('c', "/work/drive-c");
    EXPECT_EQ(At("C:\\Projects\\report.txt").ToFileSystemPath(), "/work/drive-c/Projects/report.txt");
    EXPECT_EQ(At("c:/Projects").ToFileSystemPath(), "/work/drive-c/Projects");
    EXPECT_EQ(At("C:\\").ToFileSystemPath(), "/work/drive-c");
    EXPECT_EQ(At("Q:\\unmapped.txt").ToFileSystemPath(), "");
    EXPECT_EQ(At("\\\\server\\share\\x").ToFileSystemPath(), "");
    EXPECT_EQ(At("/tmp/Průhonice.txt").ToFileSystemPath(), "/tmp/Průhonice.txt");
}

TEST(File, WritesTheExactBytesAndTruncatesOnReopen)
{
    test::TempFolder folder;
    const IO::Location location(GS::UniString((folder / "zpráva.txt").c_str()));
    {
        IO::File file(location, IO::File::Create);
        ASSERT_EQ(file.GetStatus(), NoError);
        ASSERT_EQ(file.Open(IO::File::WriteEmptyMode, IO::AccessDeniedIsErrorInPrivateLocations), NoError);
        UInt32 written = 0;
        EXPECT_EQ(file.WriteBin("\xEF\xBB\xBFobsah \xC5\xBE", 11, &written), NoError);
        EXPECT_EQ(written, 11u);
    }  // the destructor closes
    EXPECT_EQ(test::ReadFile(folder / "zpráva.txt"), "\xEF\xBB\xBFobsah \xC5\xBE");

    IO::File again(location, IO::File::Fail);
    ASSERT_EQ(again.GetStatus(), NoError);
    ASSERT_EQ(again.Open(IO::File::WriteEmptyMode), NoError);
    EXPECT_EQ(again.WriteBin("x", 1), NoError);
    EXPECT_EQ(again.Close(), NoError);
    EXPECT_FALSE(again.IsOpen());
    EXPECT_EQ(test::ReadFile(folder / "zpráva.txt"), "x");
}

TEST(File, WindowsPathOnAMappedDrive)
{
    test::TempFolder folder;
    IO::SetDriveFolder('E', folder.Path().string());
    IO::File file(At("E:\\report.txt"), IO::File::Create);
    ASSERT_EQ(file.GetStatus(), NoError);
    ASSERT_EQ(file.Open(IO::File::WriteEmptyMode), NoError);
    file.WriteBin("abc", 3);
    file.Close();
    EXPECT_EQ(test::ReadFile(folder / "report.txt"), "abc");
}

TEST(File, FailuresAreReportedByStatus)
{
    test::TempFolder folder;
    EXPECT_NE(IO::File(IO::Location(GS::UniString((folder / "missing/x.txt").c_str())), IO::File::Create).GetStatus(),
              NoError);
    EXPECT_NE(IO::File(IO::Location(GS::UniString((folder / "absent.txt").c_str())), IO::File::Fail).GetStatus(),
              NoError);
    EXPECT_FALSE(std::filesystem::exists(folder / "absent.txt"));
    EXPECT_NE(IO::File(At("Z:\\nowhere.txt"), IO::File::Create).GetStatus(), NoError);
    EXPECT_NE(IO::File(IO::Location(GS::UniString(folder.Path().c_str())), IO::File::Create).GetStatus(), NoError);

    IO::File broken(At("Z:\\nowhere.txt"), IO::File::Create);
    EXPECT_NE(broken.Open(IO::File::WriteEmptyMode), NoError);
    EXPECT_NE(broken.WriteBin("a", 1), NoError);
}

TEST(File, WritingBeforeOpeningFails)
{
    test::TempFolder folder;
    IO::File file(IO::Location(GS::UniString((folder / "x.txt").c_str())), IO::File::Create);
    UInt32 written = 99;
    EXPECT_NE(file.WriteBin("a", 1, &written), NoError);
    EXPECT_EQ(written, 0u);
}

TEST(FileTypes, SearchFindsAnEqualTypeOnlyAfterItWasAdded)
{
    const FTM::FileType report("Textový soubor", "txt", 0, 0, 0, nullptr, nullptr, true);
    const FTM::FileType other("Textový soubor", "csv", 0, 0, 0);
    FTM::FileTypeManager manager("Orvani.Landfetch.ReportTxt");
    EXPECT_EQ(FTM::FileTypeManager::SearchForType(report, FTM::RootGroup), FTM::UnknownType);

    const FTM::TypeID id = manager.AddType(report, FTM::RootGroup);
    EXPECT_GT(id.GetValue(), 0);
    EXPECT_EQ(FTM::FileTypeManager::SearchForType(FTM::FileType("Textový soubor", "txt", 1, 2, 3)), id);
    EXPECT_EQ(FTM::FileTypeManager::SearchForType(other), FTM::UnknownType);
    EXPECT_EQ(FTM::FileTypeManager::SearchForType(report, FTM::GroupID(FTM::RootGroup.GetValue() + 1)), FTM::UnknownType);

    const FTM::TypeID otherId = manager.AddType(other);
    EXPECT_NE(otherId, id);
    FTM::FileType found("", "", 0, 0, 0);
    ASSERT_TRUE(FTM::FileTypeManager::GetType(otherId, &found));
    EXPECT_EQ(found.GetExtension(), "csv");
    EXPECT_FALSE(FTM::FileTypeManager::GetType(FTM::UnknownType, &found));
}

}  // namespace
