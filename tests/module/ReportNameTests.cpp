#include <gtest/gtest.h>

#include "ReportFile.hpp"
#include "UniStringUnits.hpp"

namespace {

std::u16string Sanitized(const std::u16string& name)
{
    return std::u16string(Substitute::Units(SanitizeFileName(GS::UniString(name))));
}

bool Absolute(const std::u16string& path)
{
    return IsAbsolutePath(GS::UniString(path));
}

TEST(SanitizeFileName, ForbiddenCharactersBecomeUnderscores)
{
    EXPECT_EQ(Sanitized(u"a/b:c?.txt"), u"a_b_c_.txt");
    EXPECT_EQ(Sanitized(u"*/:?\\\"<>|"), u"_________");
    EXPECT_EQ(Sanitized(u"C:report.txt"), u"C_report.txt");
    EXPECT_EQ(Sanitized(u"..\\..\\boot.ini"), u".._.._boot.ini");
}

TEST(SanitizeFileName, ControlCharactersBecomeUnderscores)
{
    std::u16string name = u"a\tb\n";
    name += u'\0';
    EXPECT_EQ(Sanitized(name), u"a_b__");
}

TEST(SanitizeFileName, EmptyNameGivesTheDefault)
{
    EXPECT_EQ(Sanitized(u""), u"report.txt");
}

TEST(SanitizeFileName, NothingElseChanges)
{
    // No trimming, no extension, no length limit; Czech letters are kept.
    EXPECT_EQ(Sanitized(u"  Zpráva o pozemku  "), u"  Zpráva o pozemku  ");
    EXPECT_EQ(Sanitized(u"report"), u"report");
    const std::u16string longName(400, u'x');
    EXPECT_EQ(Sanitized(longName), longName);
}

TEST(IsAbsolutePath, FullPaths)
{
    EXPECT_TRUE(Absolute(u"/home/user/report.txt"));
    EXPECT_TRUE(Absolute(u"/"));
    EXPECT_TRUE(Absolute(u"\\\\server\\share\\report.txt"));
    EXPECT_TRUE(Absolute(u"C:\\Users\\report.txt"));
    EXPECT_TRUE(Absolute(u"d:/data/report.txt"));
    // The first code unit is not examined.
    EXPECT_TRUE(Absolute(u"1:\\x"));
}

TEST(IsAbsolutePath, NamesAndRelativePaths)
{
    EXPECT_FALSE(Absolute(u""));
    EXPECT_FALSE(Absolute(u"report.txt"));
    EXPECT_FALSE(Absolute(u"C:report.txt"));
    EXPECT_FALSE(Absolute(u"C:"));
    EXPECT_FALSE(Absolute(u"\\single\\backslash"));
    EXPECT_FALSE(Absolute(u"dir/report.txt"));
    EXPECT_FALSE(Absolute(u"CC\\x"));
}

}  // namespace
