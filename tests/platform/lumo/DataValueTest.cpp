#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/lumo/DataValues.hpp"

namespace Lumo::Data {
namespace {

std::shared_ptr<StructValue> Info(std::string id, int64_t done)
{
    auto info = StructValue::Create("com.orvane.hub.task.info");
    info->SetField("id", StringValue::Create(std::move(id)));
    info->SetField("completed", IntegerValue::Create(done));
    return info;
}

TEST(DataValueTest, EqualityIsDeepAndKindSensitive)
{
    EXPECT_EQ(*Info("a", 1), *Info("a", 1));
    EXPECT_FALSE(*Info("a", 1) == *Info("a", 2));
    // Same text, different kinds.
    EXPECT_FALSE(*StringValue::Create("x") == *SecretValue::Create("x"));
    EXPECT_FALSE(*IntegerValue::Create(1) == *DoubleValue::Create(1.0));
    EXPECT_FALSE(*EnumValue::Create("T", "A") == *EnumValue::Create("U", "A"));
    // A structure and an error with the same name and fields are different values.
    EXPECT_FALSE(StructValue("n") == ErrorValue("n"));
    EXPECT_FALSE(StructValue("a") == StructValue("b"));
    // Nested difference deep inside a list.
    auto left = ListValue::Create({Info("a", 1), OptionalValue::Create(Info("b", 2))});
    auto right = ListValue::Create({Info("a", 1), OptionalValue::Create(Info("b", 3))});
    EXPECT_FALSE(*left == *right);
    EXPECT_TRUE(Equal(nullptr, nullptr));
    EXPECT_FALSE(Equal(nullptr, VoidValue::GetInstance()));
}

TEST(DataValueTest, FieldOrderAndMapOrderDoNotMatterForEquality)
{
    StructValue ab("T"), ba("T");
    ab.SetField("a", IntegerValue::Create(1));
    ab.SetField("b", IntegerValue::Create(2));
    ba.SetField("b", IntegerValue::Create(2));
    ba.SetField("a", IntegerValue::Create(1));
    EXPECT_EQ(ab, ba);
    ba.SetField("a", IntegerValue::Create(5));
    EXPECT_FALSE(ab == ba);

    MapValue m1, m2;
    m1.Insert("x", IntegerValue::Create(1));
    m1.Insert("y", IntegerValue::Create(2));
    m2.Insert("y", IntegerValue::Create(2));
    m2.Insert("x", IntegerValue::Create(1));
    EXPECT_EQ(m1, m2);
    m2.Insert("z", IntegerValue::Create(3));
    EXPECT_FALSE(m1 == m2);
}

TEST(DataValueTest, SetFieldReplacesAndGetFieldFindsByName)
{
    auto info = Info("a", 1);
    info->SetField("completed", IntegerValue::Create(7));
    ASSERT_EQ(info->Fields().size(), 2u);
    EXPECT_EQ(info->GetField("completed")->As<IntegerValue>()->Get(), 7);
    EXPECT_EQ(info->GetField("missing"), nullptr);
    EXPECT_EQ(info->Fields()[0].first, "id");  // insertion order kept
}

TEST(DataValueTest, MapLooksUpStringAndGenericKeys)
{
    MapValue map;
    map.Insert("task-1", Info("task-1", 0));
    map.Insert(IntegerValue::Create(42), StringValue::Create("answer"));
    EXPECT_EQ(map.Find("task-1")->As<StructValue>()->GetField("id")->As<StringValue>()->Get(), "task-1");
    EXPECT_EQ(map.Find(*IntegerValue::Create(42))->As<StringValue>()->Get(), "answer");
    EXPECT_EQ(map.Find("42"), nullptr);
    EXPECT_FALSE(map.HasOnlyStringKeys());
}

TEST(DataValueTest, CastsFollowTheKind)
{
    DataValuePtr error = ErrorValue::Create("e", {});
    EXPECT_NE(error->As<CompoundValue>(), nullptr);
    EXPECT_NE(error->As<ErrorValue>(), nullptr);
    EXPECT_EQ(error->As<StructValue>(), nullptr);
    EXPECT_NE(ValueCast<ErrorValue>(error), nullptr);
    EXPECT_EQ(ValueCast<ListValue>(error), nullptr);
    EXPECT_EQ(ValueCast<ListValue>(nullptr), nullptr);
}

TEST(DataValueTest, OptionalUnsetIsSharedAndDistinctFromSetValues)
{
    EXPECT_EQ(OptionalValue::GetInstance(), OptionalValue::GetInstance());
    EXPECT_EQ(OptionalValue::Create(nullptr), OptionalValue::GetInstance());
    EXPECT_FALSE(OptionalValue::GetInstance()->IsSet());
    auto set = OptionalValue::Create(VoidValue::GetInstance());
    EXPECT_TRUE(set->IsSet());
    EXPECT_FALSE(*set == *OptionalValue::GetInstance());
    // A set optional wrapping an unset one is not the unset one.
    EXPECT_FALSE(*OptionalValue::Create(OptionalValue::GetInstance()) == *OptionalValue::GetInstance());
}

TEST(DataValueTest, CopyingAnErrorSharesFieldsAndLeavesTheOriginal)
{
    ErrorValuePtr original =
        ErrorValue::Create("com.orvane.lumo.std.errors.not_found", {StringValue::Create("m")});
    auto annotated = std::make_shared<ErrorValue>(*original);
    annotated->SetField("__originator__", StringValue::Create("quarn[x]"));
    EXPECT_FALSE(original->HasField("__originator__"));
    EXPECT_TRUE(annotated->HasField("__originator__"));
    EXPECT_EQ(annotated->GetField("messages"), original->GetField("messages"));  // shared, not copied
}

TEST(DataValueTest, TextFormMasksSecretsAndShowsStructure)
{
    auto login = StructValue::Create("Login");
    login->SetField("user", StringValue::Create("root"));
    login->SetField("password", SecretValue::Create("hunter2"));
    login->SetField("note", OptionalValue::GetInstance());
    std::string text = login->ToString();
    EXPECT_EQ(text, "Login{user=\"root\", password=<secret>, note=<unset>}");
    EXPECT_THAT(text, ::testing::Not(::testing::HasSubstr("hunter2")));
    EXPECT_EQ(
        ListValue::Create({IntegerValue::Create(-3), DoubleValue::Create(0.5), BooleanValue::Create(true)})
            ->ToString(),
        "[-3, 0.5, true]");
}

TEST(DataValueTest, NanEqualsItselfSoRoundTripsCanBeChecked)
{
    EXPECT_EQ(*DoubleValue::Create(std::nan("")), *DoubleValue::Create(std::nan("")));
    EXPECT_FALSE(*DoubleValue::Create(std::nan("")) == *DoubleValue::Create(0.0));
}

}  // namespace
}  // namespace Lumo::Data
