// The project record owns what the host puts in it. Every block this test program allocates with
// the global allocator is counted, so a block the record fails to free shows.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <type_traits>

#include "ACAPinc.h"

namespace {

std::atomic<long> liveBlocks{0};

void* CountedAllocation(std::size_t size)
{
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    ++liveBlocks;
    return block;
}

void CountedRelease(void* block) noexcept
{
    if (block == nullptr)
        return;
    --liveBlocks;
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return CountedAllocation(size); }
void* operator new[](std::size_t size) { return CountedAllocation(size); }
void operator delete(void* block) noexcept { CountedRelease(block); }
void operator delete[](void* block) noexcept { CountedRelease(block); }
void operator delete(void* block, std::size_t) noexcept { CountedRelease(block); }
void operator delete[](void* block, std::size_t) noexcept { CountedRelease(block); }
// The memory manager asks for blocks without exceptions: those must be counted blocks too.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return CountedAllocation(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* block, const std::nothrow_t&) noexcept { CountedRelease(block); }

namespace {

// What the host hands back for a saved project.
void FillAsTheHost(API_ProjectInfo& info)
{
    info.untitled = false;
    info.location = new IO::Location(GS::UniString("/home/user/projects/Parcela 1234.pln"));
    info.location_team = new IO::Location(GS::UniString("/home/user/projects/team"));
    info.projectPath = new GS::UniString("/home/user/projects/Parcela 1234.pln");
    info.projectName = new GS::UniString("Parcela 1234");
}

TEST(ProjectRecord, StartsEmptyAndFreesWhatItHolds)
{
    const long before = liveBlocks.load();
    {
        API_ProjectInfo info;
        EXPECT_EQ(info.location, nullptr);
        EXPECT_EQ(info.location_team, nullptr);
        EXPECT_EQ(info.projectPath, nullptr);
        EXPECT_EQ(info.projectName, nullptr);
        FillAsTheHost(info);
        EXPECT_GT(liveBlocks.load(), before);
    }
    EXPECT_EQ(liveBlocks.load(), before);
}

TEST(ProjectRecord, CannotBeCopiedIntoASecondOwner)
{
    // A copy would delete the same locations and names twice.
    EXPECT_FALSE(std::is_copy_constructible_v<API_ProjectInfo>);
    EXPECT_FALSE(std::is_copy_assignable_v<API_ProjectInfo>);
}

}  // namespace
