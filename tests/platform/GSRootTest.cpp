#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

#include "ACAPinc.h"
#include "DefaultProgramRunner.hpp"
#include "GSRoot.hpp"
#include "HostHandles.hpp"

namespace {

TEST(Guid, TextFormRoundTripsAndSharesTheHostRecordsLayout)
{
    const GS::Guid guid("{8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F20}");
    ASSERT_FALSE(guid.IsNull());
    EXPECT_EQ(guid.ToUniString(), "{8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F20}");

    UInt8 binary[16];
    std::memcpy(binary, &GSGuid2APIGuid(guid), sizeof binary);
    const UInt8 expected[16] = {0x41, 0x6A, 0x2B, 0x8E, 0x7D, 0x0C, 0x2A, 0x4E,
                                0x9B, 0x3F, 0x1A, 0x5C, 0x9D, 0x7E, 0x4F, 0x20};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(binary[i], expected[i]) << "byte " << i;
    API_Guid record;
    std::memcpy(&record, expected, sizeof record);
    EXPECT_EQ(record.time_low, 0x8E2B6A41u);
    EXPECT_EQ(APIGuid2GSGuid(record), guid);
    EXPECT_EQ(GS::Guid("8e2b6a41-0c7d-4e2a-9b3f-1a5c9d7e4f20"), guid);
}

TEST(Guid, MalformedTextGivesTheNullGuid)
{
    for (const char* text : {"", "{8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F2}", "{8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F2G}",
                             "{8E2B6A410C7D-4E2A-9B3F-1A5C9D7E4F20-}", "8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F20}"})
        EXPECT_TRUE(GS::Guid(text).IsNull()) << text;
    EXPECT_TRUE(GS::Guid(static_cast<const char*>(nullptr)).IsNull());
}

TEST(Guid, GenerateMakesDistinctVersion4Guids)
{
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        GS::Guid guid;
        guid.Generate();
        const std::string text = guid.ToUniString().ToUtf8();
        EXPECT_EQ(text[15], '4') << text;                                  // version
        EXPECT_NE(std::string("89AB").find(text[20]), std::string::npos);  // variant
        seen.insert(text);
        EXPECT_EQ(GS::Guid(text.c_str()), guid);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(Exceptions, CarryNameCodeFileLineAndMessage)
{
    try {
        throw GS::GSException("host failed", "Host.cpp", 42, -2130313112);
    } catch (const GS::GSException& e) {
        EXPECT_STREQ(e.GetName(), "GSException");
        EXPECT_EQ(e.GetErrCode(), -2130313112);
        EXPECT_STREQ(e.GetFileName(), "Host.cpp");
        EXPECT_EQ(e.GetLineNumber(), 42u);
        EXPECT_EQ(e.GetMessage(), "host failed");
    }
    EXPECT_STREQ(GS::NullPointerException().GetName(), "NullPointerException");
    EXPECT_STREQ(GS::OutOfMemoryException().GetName(), "OutOfMemoryException");
    EXPECT_STREQ(GS::IndexOutOfBoundsException().GetName(), "IndexOutOfBoundsException");
    EXPECT_EQ(GS::GSException().GetFileName(), nullptr);
}

TEST(Ref, DereferencingANullReferenceThrowsNullPointerException)
{
    GS::Ref<GS::UniString, GS::Counter> empty;
    EXPECT_THROW(*empty, GS::NullPointerException);
    EXPECT_THROW(empty->GetLength(), GS::NullPointerException);
    try {
        empty->IsEmpty();
        FAIL();
    } catch (const GS::GSException& e) {
        EXPECT_STREQ(e.GetName(), "NullPointerException");
    }
}

TEST(Ref, SharesOneObjectAndCastsDynamically)
{
    auto original = GS::NewRef<GS::NullPointerException>("shared");
    GS::Ref<GS::GSException, GS::Counter> base = original;
    EXPECT_EQ(static_cast<GS::GSException*>(base), static_cast<GS::GSException*>(original));
    EXPECT_EQ(base.Shared().use_count(), 2);
    EXPECT_EQ(static_cast<GS::NullPointerException*>(GS::DynamicCast<GS::NullPointerException>(base)), static_cast<GS::NullPointerException*>(original));
    EXPECT_TRUE(GS::DynamicCast<GS::OutOfMemoryException>(base) == nullptr);
}

TEST(Array, IndexBeyondTheEndThrows)
{
    GS::Array<int> numbers{1, 2, 3};
    EXPECT_EQ(numbers[2], 3);
    EXPECT_THROW(numbers[3], GS::IndexOutOfBoundsException);
    numbers.Delete(0);
    EXPECT_EQ(numbers.GetSize(), 2u);
    EXPECT_THROW(numbers.Delete(2), GS::IndexOutOfBoundsException);
    GS::Array<int> empty;
    EXPECT_THROW(empty.GetLast(), GS::IndexOutOfBoundsException);
    GS::ArrayFB<GS::UniString, 3> texts;
    texts.Push(GS::UniString("a"));
    EXPECT_EQ(texts.GetLast(), "a");
}

TEST(Handles, AreZeroFilledAndCounted)
{
    const Int64 before = BMGetLiveHandleCount();
    GSHandle handle = BMAllocateHandle(1000, 0, 0);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(BMGetHandleSize(handle), 1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ((*handle)[i], 0) << "byte " << i;
    EXPECT_EQ(BMGetLiveHandleCount(), before + 1);
    BMKillHandle(&handle);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(BMGetLiveHandleCount(), before);
    BMKillHandle(&handle);  // a second kill of the same, now null, handle does nothing
    EXPECT_EQ(BMGetLiveHandleCount(), before);
}

TEST(Handles, SharedBytesOutliveTheHandle)
{
    const Int64 before = BMGetLiveHandleCount();
    for (const GSSize size : {1, 4096, 3000001}) {
        GSHandle handle = BMAllocateHandle(size, ALLOCATE_CLEAR, 0);
        ASSERT_NE(handle, nullptr);
        const char* data = *handle;
        std::memset(*handle, 0x5A, static_cast<std::size_t>(size));

        const std::shared_ptr<const char> shared = BMShareHandleBytes(handle);
        EXPECT_EQ(shared.get(), data);
        EXPECT_EQ(BMShareHandleBytes(handle), shared);  // one share per handle, however often asked
        BMKillHandle(&handle);
        EXPECT_EQ(BMGetLiveHandleCount(), before);
        EXPECT_EQ(std::count(shared.get(), shared.get() + size, '\x5A'), size) << size;
    }
    EXPECT_EQ(BMShareHandleBytes(nullptr), nullptr);
}

TEST(Handles, NegativeSizeGivesNullAndEmptyHandlesWork)
{
    EXPECT_EQ(BMAllocateHandle(-1, ALLOCATE_CLEAR, 0), nullptr);
    GSHandle empty = BMAllocateHandle(0, ALLOCATE_CLEAR, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(BMGetHandleSize(empty), 0);
    BMKillHandle(&empty);
    EXPECT_EQ(BMGetHandleSize(nullptr), 0);
    BMKillHandle(nullptr);
}

TEST(MemoryManager, AllocatesAndReportsExhaustionAsAsked)
{
    void* block = GS::MemoryManager::Allocate(64);
    ASSERT_NE(block, nullptr);
    GS::MemoryManager::Free(block);
    GS::MemoryManager::Free(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's allocator aborts on impossible sizes instead of failing";
#else
    const std::size_t impossible = static_cast<std::size_t>(-1) / 2;
    EXPECT_EQ(GS::MemoryManager::Allocate(impossible), nullptr);
    EXPECT_THROW(GS::MemoryManager::Allocate(impossible, GS::MemoryManager::ThrowException), GS::OutOfMemoryException);
#endif
}

TEST(DebugOutput, KeepsWhatWasWritten)
{
    DBClearPrintedText();
    DBPrintf("Abnormal add-on termination (\"%s\")", "/opt/Orvani_Landfetch_30.so");
    DBPrintf("\n");
    EXPECT_EQ(DBGetPrintedText(), "Abnormal add-on termination (\"/opt/Orvani_Landfetch_30.so\")\n");
    DBClearPrintedText();
    EXPECT_EQ(DBGetPrintedText(), "");
}

TEST(DefaultBrowser, RecordsAddressesInOrder)
{
    OSUtils::ClearOpenedAddresses();
    EXPECT_TRUE(OSUtils::OpenWithDefaultBrowser(GS::UniString("https://example.org/a")));
    EXPECT_TRUE(OSUtils::OpenWithDefaultBrowser(GS::UniString("file:///tmp/report.txt")));
    const auto opened = OSUtils::GetOpenedAddresses();
    ASSERT_EQ(opened.GetSize(), 2u);
    EXPECT_EQ(opened[0], "https://example.org/a");
    EXPECT_EQ(opened[1], "file:///tmp/report.txt");
    OSUtils::ClearOpenedAddresses();
    EXPECT_TRUE(OSUtils::GetOpenedAddresses().IsEmpty());
}

}  // namespace
