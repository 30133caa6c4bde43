#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "ExternalAddress.hpp"

namespace {

GS::UniString FileAddress(const char* path)
{
    return OpenFilePrefix() + path;
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

TEST(ExternalAddress, WebAndMailAddressesLeaveInTheBrowsersForm)
{
    for (const char* url : {"https://example.org/x?q=1#f", "http://example.org", "https://example.org/A%20b",
                            "mailto:info@example.org"})
        EXPECT_EQ(ExternalAddress(url), url) << url;
    EXPECT_EQ(ExternalAddress("HTTPS://Example.ORG/Path"), "https://example.org/Path");
    EXPECT_EQ(ExternalAddress(" \t\x01https://example.org/ \n"), "https://example.org/");
    EXPECT_EQ(ExternalAddress("ht\ttp\ns://example.org/"), "https://example.org/");
    EXPECT_EQ(ExternalAddress("https:example.org/a"), "https://example.org/a");
    EXPECT_EQ(ExternalAddress("https:/example.org/a"), "https://example.org/a");
    EXPECT_EQ(ExternalAddress("https:\\\\\\example.org\\a"), "https://example.org\\a");
    EXPECT_EQ(ExternalAddress("MAILTO:info@example.org"), "mailto:info@example.org");
}

TEST(ExternalAddress, AddressesWithoutAHostOrWithControlsInsideAreDropped)
{
    for (const char* url : {"https://", "https:///", "https:?x", "http://#", "https://exa\x01mple.org/",
                            "https://example.org/\x7f", "https://example.org/a\x1b[0m"})
        EXPECT_TRUE(ExternalAddress(url).IsEmpty()) << url;
}

TEST(ExternalAddress, DangerousOrUnknownSchemesAreDropped)
{
    for (const char* url : {"", "   ", "file:///C:/Windows/System32/calc.exe", "FILE:///home/jan/report.txt",
                            "javascript:alert(1)", " JavaScript:alert(1)", "ms-settings:", "search-ms:query=x",
                            "data:text/html,hi", "DATA:text/html,hi", "about:blank", "//example.org/x",
                            "httpsx://example.org", "1https://example.org", ":https://example.org"})
        EXPECT_TRUE(ExternalAddress(url).IsEmpty()) << url;
}

TEST(ExternalAddress, OpenFilePrefixBecomesALocalFile)
{
    EXPECT_EQ(ExternalAddress(FileAddress("/C:/Users/jan/Parcela 12.txt")), "file:///C:/Users/jan/Parcela 12.txt");
    EXPECT_EQ(ExternalAddress(FileAddress("/home/jan/zprava.PDF")), "file:///home/jan/zprava.PDF");
    EXPECT_EQ(ExternalAddress(FileAddress("/c:/a.csv")), "file:///c:/a.csv");
    EXPECT_EQ(ExternalAddress(GS::UniString(Upper(OpenFilePrefix().ToUtf8()).c_str()) + "/C:/a.txt"), "file:///C:/a.txt");
    // The prefix in any of the forms a browser accepts.
    const std::string prefix = OpenFilePrefix().ToUtf8();
    const std::string afterScheme = prefix.substr(prefix.find("://") + 3);
    EXPECT_EQ(ExternalAddress(GS::UniString(("https:/" + afterScheme + "/C:/a.txt").c_str())), "file:///C:/a.txt");
    EXPECT_EQ(ExternalAddress(GS::UniString((" https:" + afterScheme + "/C:/a.txt").c_str())), "file:///C:/a.txt");
}

TEST(ExternalAddress, EscapesAreDecodedBeforeTheFileIsJudged)
{
    EXPECT_EQ(ExternalAddress(FileAddress("/tmp/a%20b.csv")), "file:///tmp/a b.csv");
    EXPECT_EQ(ExternalAddress(FileAddress("/C:/Zpr%C3%A1vy/x%2Etxt")), "file:///C:/Zprávy/x.txt");
    EXPECT_EQ(ExternalAddress(FileAddress("/C:/Zprávy/x.txt")), "file:///C:/Zprávy/x.txt");
    EXPECT_EQ(ExternalAddress(FileAddress("/C:/Mapy/\xF0\x9F\x97\xBA.png")), "file:///C:/Mapy/\xF0\x9F\x97\xBA.png");
    // A percent sign that belongs to the name stays escaped, so the path opened is the path judged.
    EXPECT_EQ(ExternalAddress(FileAddress("/C:/x/50%25.pdf")), "file:///C:/x/50%25.pdf");
    EXPECT_EQ(ExternalAddress(FileAddress("/C:/x/evil.exe%2500.txt")), "file:///C:/x/evil.exe%2500.txt");

    for (const char* path : {"/C:/x/evil.exe%00.txt", "/C:/x/evil.exe%3F.txt", "/C:/x/evil.exe%3f.txt",
                             "/C:/x/evil.exe%23.txt", "/C:/x/evil.exe%0A.txt", "/C:/x/evil.exe%0d.txt",
                             "/C:/x/evil.exe%7F.txt", "/C:/x/evil.exe%C2%85.txt", "/C:/x/evil%2Eexe", "/C:/x/a%",
                             "/C:/x/a%4.txt", "/C:/x/a%zz.txt", "/C:/x/a%C3.txt", "/C:/x/a%C0%AF.txt",
                             "/C:/x/a%ED%A0%BD.txt", "/C:/x/a%F4%90%80%80.txt", "/C:/x/a%FF.txt"})
        EXPECT_TRUE(ExternalAddress(FileAddress(path)).IsEmpty()) << path;
}

TEST(ExternalAddress, OnlyLocalAbsolutePathsOpen)
{
    for (const char* path : {"//attacker.example/share/report.txt", "///attacker.example/share/report.txt",
                             "/\\\\attacker.example\\share\\report.txt", "/%2F/attacker.example/report.txt",
                             "/%5C%5Cattacker.example/report.txt", "/\\attacker/report.txt", "/C:report.txt",
                             "/C:", "/C:/x/y.exe:stream.txt", "/home/jan:x/report.txt", "/", "", "/1:/x.txt"})
        EXPECT_TRUE(ExternalAddress(FileAddress(path)).IsEmpty()) << path;
    // Blanks around the whole address are no part of it, as in a browser.
    EXPECT_EQ(ExternalAddress(FileAddress("/d/x.pdf ")), "file:///d/x.pdf");
    // A backslash separates folders on Windows; the address opened says so.
    EXPECT_EQ(ExternalAddress(FileAddress("/C:\\Zpravy\\a.txt")), "file:///C:/Zpravy/a.txt");
}

TEST(ExternalAddress, OnlyDocumentTypesOpen)
{
    for (const char* type : {"txt", "pdf", "csv", "json", "png", "jpg", "jpeg", "tif", "tiff", "TXT", "Jpeg"}) {
        const std::string path = std::string("/d/report.") + type;
        EXPECT_FALSE(ExternalAddress(FileAddress(path.c_str())).IsEmpty()) << type;
    }
    for (const char* path : {"/C:/Windows/System32/calc.exe", "/d/run.bat", "/d/x.pdf.exe", "/d/x.exe?a.pdf",
                             "/d/x.exe#.pdf", "/d/noextension", "/d/folder.pdf/", "/C:\\d\\x.pdf\\y.lnk", "/d/x.pdf.",
                             "/d/x.pdf%20", "/d/x.html", "/d/x.htm", "/d/x.xml", "/d/x.HTML", "/d/x.svg", "/d/x.xhtml",
                             "/d/x.hta", "/d/x.pdf\xE2\x80\x8B", "/d/x.txt?", "/d/x.txt#"})
        EXPECT_TRUE(ExternalAddress(FileAddress(path)).IsEmpty()) << path;
}

TEST(ExternalAddress, ThePrefixEndsAtASlash)
{
    // Another host that starts with the prefix's letters is a web address like any other.
    EXPECT_EQ(ExternalAddress(FileAddress(".evil.example/a.txt")), FileAddress(".evil.example/a.txt"));
    EXPECT_EQ(ExternalAddress(FileAddress("C:/x/a.txt")).ToUtf8().rfind("file:", 0), std::string::npos);
    for (const char* rest : {"", "/", "?/C:/a.txt", "#/C:/a.txt", "\\C:/a.txt"})
        EXPECT_TRUE(ExternalAddress(FileAddress(rest)).IsEmpty()) << rest;
}

TEST(OutsideAddress, TheWebApplicationStaysInside)
{
    EXPECT_FALSE(IsOutsideAddress(WebAppAddress()));
    EXPECT_FALSE(IsOutsideAddress(WebAppAddress() + "/"));
    EXPECT_FALSE(IsOutsideAddress(WebAppAddress() + "/mapa?parcela=12#detail"));
    EXPECT_FALSE(IsOutsideAddress(WebAppAddress() + "?x"));
    EXPECT_FALSE(IsOutsideAddress(WebAppAddress() + "#x"));
    EXPECT_FALSE(IsOutsideAddress(GS::UniString(Upper(WebAppAddress().ToUtf8()).c_str()) + "/mapa"));
    EXPECT_FALSE(IsOutsideAddress(" " + WebAppAddress() + "/mapa"));
    // A host that only starts with the application's name is another site.
    EXPECT_TRUE(IsOutsideAddress(WebAppAddress() + ".attacker.example/"));
    EXPECT_TRUE(IsOutsideAddress(WebAppAddress() + ":8443/"));
    EXPECT_TRUE(IsOutsideAddress(WebAppAddress() + "@attacker.example/"));
}

TEST(OutsideAddress, ThePagesOwnDocumentsStayInside)
{
    for (const char* url : {"", "about:blank", "ABOUT:blank", "about:srcdoc", "javascript:void(0)",
                            " javascript:void(0)", "blob:https://landfetch.example/6c1f0a2e"})
        EXPECT_FALSE(IsOutsideAddress(url)) << url;
}

TEST(OutsideAddress, EverythingElseLeavesHoweverItIsWritten)
{
    for (const char* url : {"https://example.org/", "http://example.org/", "HTTPS://example.org/", " https://example.org/",
                            "\x01https://example.org/", "\thttps://example.org/", "https:/example.org/",
                            "https:example.org/", "https:\\\\example.org/", "hTtP://example.org/", "file:///C:/x.txt",
                            "FILE:///C:/x.txt", "data:text/html,x", "DATA:text/html,x", " data:text/html,x",
                            "ms-msdt:/id", "mailto:a@example.org", "view-source:https://example.org/", "https://",
                            "no scheme", "\x01"})
        EXPECT_TRUE(IsOutsideAddress(url)) << url;
    EXPECT_TRUE(IsOutsideAddress(FileAddress("/tmp/x.txt")));
}
