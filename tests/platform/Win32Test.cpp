#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "GSRoot.hpp"
#include "Win32.hpp"
#include "host/Encoding.hpp"

namespace {

void AnyFunction() {}

TEST(ModuleFileName, NamesTheFileOfTheModuleAtAnAddress)
{
    const HINSTANCE self = GetModuleOfAddress(reinterpret_cast<const void*>(&AnyFunction));
    ASSERT_NE(self, nullptr);
    char16_t buffer[4096];
    const DWORD length = GetModuleFileNameW(self, buffer, 4096);
    const std::u16string expected = sim::Utf16FromUtf8(std::filesystem::canonical("/proc/self/exe").string());
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(std::u16string(buffer), expected);

    const HINSTANCE platform = GetModuleOfAddress(reinterpret_cast<const void*>(&DBClearPrintedText));
    ASSERT_NE(platform, nullptr);
    EXPECT_NE(platform, self);
    GetModuleFileNameW(platform, buffer, 4096);
    EXPECT_TRUE(GS::UniString(buffer).EndsWith("libplatform.so"));
}

TEST(ModuleFileName, ShortBufferIsCutAndTerminatedLikeTheSystemDoes)
{
    const HINSTANCE self = GetModuleOfAddress(reinterpret_cast<const void*>(&AnyFunction));
    char16_t full[4096];
    GetModuleFileNameW(self, full, 4096);
    char16_t shortBuffer[6] = {u'#', u'#', u'#', u'#', u'#', u'#'};
    EXPECT_EQ(GetModuleFileNameW(self, shortBuffer, 5), 5u);
    EXPECT_EQ(shortBuffer[4], 0);
    EXPECT_EQ(std::u16string(shortBuffer), std::u16string(full).substr(0, 4));
    EXPECT_EQ(shortBuffer[5], u'#');
    EXPECT_EQ(GetModuleFileNameW(self, shortBuffer, 0), 0u);
}

TEST(ModuleFileName, UnknownModuleGivesNothing)
{
    char16_t buffer[8] = {u'x'};
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 8), 0u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(GetModuleOfAddress(nullptr), nullptr);
}

TEST(WindowMessages, SameNameSameNumber)
{
    const UINT first = RegisterWindowMessageW(u"commdlg_FileNameOK");
    EXPECT_GE(first, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageW(u"commdlg_FileNameOK"), first);
    const UINT other = RegisterWindowMessageW(u"another message");
    EXPECT_GE(other, 0xC000u);
    EXPECT_NE(other, first);
    EXPECT_EQ(RegisterWindowMessageW(u""), 0u);
    EXPECT_EQ(RegisterWindowMessageW(nullptr), 0u);
}

}  // namespace
