#include <gtest/gtest.h>

#include <vector>

#include "HostBinding.hpp"
#include "HostInterface.hpp"

namespace {

API_Token seenToken = nullptr;
const API_MenuItemRef* seenItem = nullptr;

GSErrCode CountPens(API_Token token, UInt32* count)
{
    seenToken = token;
    *count = 255;
    return 17;
}

GSErrCode ReadFlags(API_Token token, const API_MenuItemRef* item, GSFlags* flags)
{
    seenToken = token;
    seenItem = item;
    *flags = API_MenuItemChecked;
    return NoError;
}

GSErrCode Rebuild(API_Token token)
{
    seenToken = token;
    return APIERR_BADDATABASE;
}

template <class Slot>
void Bind(std::vector<void*>& table, API::Operation operation, Slot* function)
{
    table[static_cast<std::size_t>(operation)] = reinterpret_cast<void*>(function);
}

}  // namespace

TEST(HostForwarding, CallsThroughTheTableWithTheContextTokenAndEmptySlotsAnswerMissing)
{
    std::vector<void*> table(API::SlotCount(30), nullptr);
    Bind(table, API::Operation::GetPenCount, &CountPens);
    Bind(table, API::Operation::GetMenuItemFlags, &ReadFlags);
    Bind(table, API::Operation::RebuildCurrentDatabase, &Rebuild);
    ASSERT_TRUE(HostBinding::ReceiveTable(table.data()));
    int context = 0;
    HostBinding::SetContextToken(&context);

    UInt32 count = 0;
    EXPECT_EQ(Host::GetPenCount(&count), 17);
    EXPECT_EQ(count, 255u);
    EXPECT_EQ(seenToken, &context);

    API_MenuItemRef item{};
    GSFlags flags = 0;
    EXPECT_EQ(Host::GetMenuItemFlags(&item, &flags), NoError);
    EXPECT_EQ(seenItem, &item);
    EXPECT_EQ(flags, API_MenuItemChecked);

    seenToken = nullptr;
    EXPECT_EQ(Host::RebuildCurrentDatabase(), APIERR_BADDATABASE);
    EXPECT_EQ(seenToken, &context);

    EXPECT_EQ(Host::SetMenuItemFlags(&item, &flags), APIERR_NOTSUPPORTED);
    EXPECT_EQ(Host::KeepInMemory(true), APIERR_NOTSUPPORTED);
    EXPECT_EQ(APIERR_NOTSUPPORTED, -2130312313);
}

TEST(HostForwarding, TheTableIsACopyAndANullTableIsRefused)
{
    std::vector<void*> table(API::SlotCount(30), nullptr);
    Bind(table, API::Operation::GetPenCount, &CountPens);
    ASSERT_TRUE(HostBinding::ReceiveTable(table.data()));
    table.assign(table.size(), nullptr);  // the host's own table may change or go away

    UInt32 count = 0;
    EXPECT_EQ(Host::GetPenCount(&count), 17);

    EXPECT_FALSE(HostBinding::ReceiveTable(nullptr));
    EXPECT_EQ(Host::GetPenCount(&count), 17);  // the earlier copy stays in use
    HostBinding::SetContextToken(nullptr);
}
