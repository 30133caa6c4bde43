#include <gtest/gtest.h>

#include "JSValues.hpp"

namespace {

using BaseRef = GS::Ref<JS::Base, GS::Counter>;

TEST(JSValue, TypeCodesFollowTheConstructor)
{
    EXPECT_EQ(JS::Value().GetType(), JS::Value::UNDEFINED);
    EXPECT_EQ(JS::Value(true).GetType(), JS::Value::BOOL);
    EXPECT_EQ(JS::Value(Int32(-5)).GetType(), 2);
    EXPECT_EQ(JS::Value(UInt32(4000000000u)).GetType(), 3);
    EXPECT_EQ(JS::Value(12.5).GetType(), 4);
    EXPECT_EQ(JS::Value(GS::UniString("dark")).GetType(), 5);
    EXPECT_EQ(JS::Value::Null()->GetType(), JS::Value::NULLVALUE);

    EXPECT_EQ(JS::Value(Int32(-5)).GetInteger(), -5);
    EXPECT_EQ(JS::Value(UInt32(4000000000u)).GetUInteger(), 4000000000u);
    EXPECT_DOUBLE_EQ(JS::Value(12.5).GetDouble(), 12.5);
    EXPECT_EQ(JS::Value(GS::UniString("ČÚZK")).GetString(), "ČÚZK");
    EXPECT_TRUE(JS::Value(true).GetBool());
}

TEST(JSValue, KindsAreToldApartThroughTheBase)
{
    const BaseRef value(new JS::Value(1.0));
    const BaseRef array(new JS::Array());
    EXPECT_TRUE(GS::DynamicCast<JS::Value>(value) != nullptr);
    EXPECT_TRUE(GS::DynamicCast<JS::Value>(array) == nullptr);
    EXPECT_TRUE(GS::DynamicCast<JS::Array>(array) != nullptr);
}

TEST(JSArray, KeepsItemsInOrderIncludingNestedArrays)
{
    auto inner = GS::NewRef<JS::Array>();
    inner->AddItem(BaseRef(new JS::Value(1.0)));
    JS::Array outer;
    outer.AddItem(BaseRef(new JS::Value(GS::UniString("first"))));
    outer.AddItem(inner);
    outer.AddItem(BaseRef());
    const auto& items = outer.GetItemArray();
    ASSERT_EQ(items.GetSize(), 3u);
    EXPECT_EQ(GS::DynamicCast<JS::Value>(items[0])->GetString(), "first");
    EXPECT_EQ(GS::DynamicCast<JS::Array>(items[1])->GetItemArray().GetSize(), 1u);
    EXPECT_TRUE(items[2] == nullptr);
}

TEST(JSObject, FunctionsAreFoundByNameAndNamesAreUnique)
{
    int calls = 0;
    auto version = GS::NewRef<JS::Function>(GS::UniString("GetVersion"), [&calls](BaseRef) {
        ++calls;
        return BaseRef(new JS::Value(GS::UniString("1.11")));
    });
    JS::Object object(GS::UniString("ACAPI"));
    object.AddItem(version);
    object.AddItem(GS::NewRef<JS::Function>(GS::UniString("GetVersion"), JS::Function::Callback()));
    object.AddItem(GS::Ref<JS::Function, GS::Counter>());
    EXPECT_EQ(object.GetItemArray().GetSize(), 1u);

    const auto found = object.FindFunction(GS::UniString("GetVersion"));
    ASSERT_TRUE(found != nullptr);
    const BaseRef reply = found->Call(BaseRef());
    EXPECT_EQ(GS::DynamicCast<JS::Value>(reply)->GetString(), "1.11");
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(object.FindFunction(GS::UniString("GetAppearance")) == nullptr);
}

TEST(JSFunction, WithoutCallbackRepliesNull)
{
    const JS::Function function(GS::UniString("Nothing"), JS::Function::Callback());
    EXPECT_TRUE(function.Call(BaseRef()) == nullptr);
}

}  // namespace

TEST(JSArray, ArraysNestedAMillionDeepAreReleasedWithoutRecursion)
{
    auto shared = GS::NewRef<JS::Array>();
    shared->AddItem(GS::NewRef<JS::Value>(Int32(7)));
    GS::Ref<JS::Base, GS::Counter> nested = shared;
    for (int level = 0; level < 1000000; ++level) {
        auto outer = GS::NewRef<JS::Array>();
        outer->AddItem(nested);
        outer->AddItem(GS::NewRef<JS::Value>(level % 2 == 0));
        nested = outer;
    }
    nested = nullptr;

    // What someone else still holds keeps its items.
    ASSERT_EQ(shared->GetItemArray().GetSize(), 1u);
    EXPECT_EQ(dynamic_cast<const JS::Value*>(static_cast<JS::Base*>(shared->GetItemArray()[0]))->GetInteger(), 7);
}
