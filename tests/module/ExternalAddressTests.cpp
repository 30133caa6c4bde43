#include <gtest/gtest.h>

#include "MapPalette.hpp"

namespace {

GS::UniString FileAddress(const char* path)
{
    return OpenFilePrefix() + path;
}

}  // namespace

TEST(ExternalAddress, WebAndMailAddressesLeaveUnchanged)
{
    for (const char* url : {"https://example.org/x?q=1#f", "http://example.org", "HTTPS://Example.org/A",
                            "mailto:info@example.org"})
        EXPECT_EQ(ExternalAddress(url), url) << url;
}

TEST(ExternalAddress, OpenFilePrefixBecomesALocalFileWithOneLeadingSlash)
{
    EXPECT_EQ(ExternalAddress(FileAddress("C:/Users/jan/Parcela 12.txt")), "file:///C:/Users/jan/Parcela 12.txt");
    EXPECT_EQ(ExternalAddress(FileAddress("/home/jan/zprava.PDF")), "file:///home/jan/zprava.PDF");
    EXPECT_EQ(ExternalAddress(FileAddress("/tmp/a%20b.csv?x=1#top")), "file:///tmp/a%20b.csv?x=1#top");
}

TEST(ExternalAddress, EveryDocumentTypeOpens)
{
    for (const char* extension : {"txt", "pdf", "csv", "json", "xml", "html", "htm", "png", "jpg", "jpeg", "tif", "tiff"}) {
        const std::string path = std::string("/d/report.") + extension;
        EXPECT_FALSE(ExternalAddress(FileAddress(path.c_str())).IsEmpty()) << extension;
    }
}

TEST(ExternalAddress, ProgramsAndOtherFilesAreDropped)
{
    for (const char* path : {"C:/Windows/System32/calc.exe", "/d/run.bat", "/d/x.pdf.exe", "/d/x.exe?a.pdf",
                             "/d/x.exe#.pdf", "/d/noextension", "/d/folder.pdf/", "C:\\d\\x.pdf\\y.lnk", "",
                             "/d/x.pdf.", "/d/x.p%64f"})
        EXPECT_TRUE(ExternalAddress(FileAddress(path)).IsEmpty()) << path;
}

TEST(ExternalAddress, DangerousOrUnknownSchemesAreDropped)
{
    for (const char* url : {"", "file:///C:/Windows/System32/calc.exe", "file:///home/jan/report.txt",
                            "javascript:alert(1)", "ms-settings:", "search-ms:query=x", "data:text/html,hi",
                            "about:blank", " https://example.org", "//example.org/x", "httpsx://example.org"})
        EXPECT_TRUE(ExternalAddress(url).IsEmpty()) << url;
}

TEST(OutsideAddress, WebApplicationStaysInsideOtherWebAndFileAddressesLeave)
{
    EXPECT_FALSE(IsOutsideAddress(WebAppAddress()));
    EXPECT_FALSE(IsOutsideAddress(WebAppAddress() + "/mapa?parcela=12#detail"));
    EXPECT_FALSE(IsOutsideAddress(WebAppAddress() + "?x"));
    EXPECT_FALSE(IsOutsideAddress("about:blank"));
    EXPECT_FALSE(IsOutsideAddress("data:text/html,x"));

    EXPECT_TRUE(IsOutsideAddress("https://example.org/"));
    EXPECT_TRUE(IsOutsideAddress("http://example.org/"));
    EXPECT_TRUE(IsOutsideAddress("file:///C:/x.txt"));
    EXPECT_TRUE(IsOutsideAddress(FileAddress("/tmp/x.txt")));
    // A host that only starts with the application's name is another site.
    EXPECT_TRUE(IsOutsideAddress(WebAppAddress() + ".attacker.example/"));
    EXPECT_TRUE(IsOutsideAddress(WebAppAddress() + ":8443/"));
}
