#include <gtest/gtest.h>

#include "platform/lumo/DataValues.hpp"

namespace Lumo::Data {
namespace {

DataValuePtr Info(std::string id, int64_t done)
{
    return std::make_shared<StructValue>("com.orvane.hub.task.info",
                                         std::vector<StructValue::Field>{{"id", StringValue::Create(std::move(id))},
                                                                         {"completed", IntegerValue::Create(done)}});
}

TEST(DataValueTest, EqualityIsDeepAndKindSensitive)
{
    EXPECT_EQ(*Info("a", 1), *Info("a", 1));
    struct Row {
        const char* name;
        DataValuePtr left, right;
    } rows[] = {
        {"field value", Info("a", 1), Info("a", 2)},
        {"string vs secret", StringValue::Create("x"), SecretValue::Create("x")},
        {"integer vs double", IntegerValue::Create(1), DoubleValue::Create(1.0)},
        {"enum type", EnumValue::Create("T", "A"), EnumValue::Create("U", "A")},
        {"struct vs error", StructValue::Create("n"), ErrorValue::Create("n", {})},
        {"struct name", StructValue::Create("a"), StructValue::Create("b")},
        {"deep in a list", ListValue::Create({Info("a", 1), OptionalValue::Create(Info("b", 2))}),
         ListValue::Create({Info("a", 1), OptionalValue::Create(Info("b", 3))})},
        {"set vs unset", OptionalValue::Create(VoidValue::GetInstance()), OptionalValue::GetInstance()},
        // A set optional wrapping an unset one is not the unset one.
        {"set unset vs unset", OptionalValue::Create(OptionalValue::GetInstance()),
         OptionalValue::GetInstance()},
        {"nan vs zero", DoubleValue::Create(std::nan("")), DoubleValue::Create(0.0)},
    };
    for (const Row& row : rows) EXPECT_FALSE(*row.left == *row.right) << row.name;
    // NaN equals itself so that round trips can be checked.
    EXPECT_EQ(*DoubleValue::Create(std::nan("")), *DoubleValue::Create(std::nan("")));
    EXPECT_TRUE(Equal(nullptr, nullptr));
    EXPECT_FALSE(Equal(nullptr, VoidValue::GetInstance()));
    EXPECT_EQ(OptionalValue::Create(nullptr), OptionalValue::GetInstance());
}

TEST(DataValueTest, FieldAndMapOrderDoNotMatterForEqualityAndLookup)
{
    StructValue ab("T", {{"a", IntegerValue::Create(1)}, {"b", IntegerValue::Create(2)}});
    StructValue ba("T", {{"b", IntegerValue::Create(2)}, {"a", IntegerValue::Create(1)}});
    EXPECT_EQ(ab, ba);
    // Setting an existing field replaces it in place.
    ba.SetField("a", IntegerValue::Create(5));
    EXPECT_FALSE(ab == ba);
    ASSERT_EQ(ba.Fields().size(), 2u);
    EXPECT_EQ(ba.GetField("a")->As<IntegerValue>()->Get(), 5);
    EXPECT_EQ(ba.GetField("missing"), nullptr);

    MapValue m1, m2;
    m1.Insert("x", IntegerValue::Create(1));
    m1.Insert("y", IntegerValue::Create(2));
    m2.Insert("y", IntegerValue::Create(2));
    m2.Insert("x", IntegerValue::Create(1));
    EXPECT_EQ(m1, m2);
    m2.Insert("z", IntegerValue::Create(3));
    EXPECT_FALSE(m1 == m2);

    // Keys of other kinds are found by value, and never by their text.
    m1.Insert(IntegerValue::Create(42), StringValue::Create("answer"));
    EXPECT_EQ(m1.Find("x")->As<IntegerValue>()->Get(), 1);
    EXPECT_EQ(m1.Find(*IntegerValue::Create(42))->As<StringValue>()->Get(), "answer");
    EXPECT_EQ(m1.Find("42"), nullptr);
    EXPECT_FALSE(m1.HasOnlyStringKeys());
}

TEST(DataValueTest, TextFormMasksSecretsAndShowsStructure)
{
    auto login = StructValue::Create("Login");
    login->SetField("user", StringValue::Create("root"));
    login->SetField("password", SecretValue::Create("hunter2"));
    login->SetField("note", OptionalValue::GetInstance());
    EXPECT_EQ(login->ToString(), "Login{user=\"root\", password=<secret>, note=<unset>}");
}

}  // namespace
}  // namespace Lumo::Data
