// The value adapters of the generated bindings: round trips of every kind of type, the
// untyped forms a direct JSON decoding yields, and the failure each bad input produces.
#include <gtest/gtest.h>

#include "generated/Com/Orvane/Hub/Task/Info.hpp"
#include "generated/Com/Orvane/Hub/TasksSvc/FilterSpec.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/SoftwareSpec.hpp"
#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "platform/lumo/StructReader.hpp"
#include "platform/lumo/StructWriter.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "platform/lumo/ValueToNativeAdapter.hpp"

namespace {

using namespace Lumo;
using Lumo::Bindings::NativeToValueAdapter;
using Lumo::Bindings::ValueToNativeAdapter;
namespace Task = Com::Orvane::Hub::Task;
namespace Json = Lumo::Protocol::Json;

Com::Orvane::Lumo::Std::LocalizableMessage AdapterTestMessage(const std::string& id)
{
    return {id, "Text {1}", {"a"}, "Text a"};
}

Task::Info FullTaskInfo()
{
    Task::Info info;
    info.id = "6f1c7b0e";
    info.description = AdapterTestMessage("com.orvane.tarn.task.description");
    info.service = "hostprefd";
    info.operation = "com.orvane.tarn.hostpref_daemon.configuration.apply";
    info.status = Task::Status::FAILED;
    info.cancelable = true;
    info.user = "root";
    info.created_time = *DateTime::Create("2024-05-06T07:08:09.010Z");
    info.start_time = *DateTime::Create("2024-05-06T07:08:10Z");
    info.progress = Task::Progress{100, 40, AdapterTestMessage("com.orvane.tarn.task.progress")};
    info.result = Data::StringValue::Create("partial");
    info.error = Data::ErrorFactory::GetError(Com::Orvane::Lumo::Std::Errors::NotFound,
                                              {BaseMessage("m.id", "gone")}, L10n::RequestLocalizer());
    Com::Orvane::Tarn::HostprefDaemon::Notification note;
    note.kind = Com::Orvane::Tarn::HostprefDaemon::NotificationKind::WARNING;
    note.id = "note.id";
    note.message = AdapterTestMessage("note.id");
    note.time = *DateTime::Create("2024-05-06T07:08:11Z");
    info.notifications = Task::Notifications{{}, {note}, {}};
    return info;
}

// The message id and arguments of an adapter failure.
std::pair<std::string, std::vector<std::string>> FailureOf(const Data::ErrorValuePtr& error)
{
    EXPECT_NE(error, nullptr);
    if (error == nullptr) {
        return {};
    }
    EXPECT_EQ(error->Name(), Com::Orvane::Lumo::Std::Errors::InvalidArgument.Name());
    auto messages = Data::ValueCast<Data::ListValue>(error->GetField("messages"));
    EXPECT_TRUE(messages != nullptr && messages->Size() == 1);
    auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items().at(0));
    EXPECT_TRUE(message.has_value());
    return {message->id, message->args};
}

template <class T>
std::pair<std::string, std::vector<std::string>> FailureReading(std::string_view json)
{
    auto decoded = Json::DirectJsonCodec::Decode(json);
    EXPECT_TRUE(decoded.Ok()) << json;
    T native{};
    return FailureOf(ValueToNativeAdapter::Adapt(decoded.value, native));
}

TEST(AdapterTest, StructureRoundTripKeepsEveryKindOfField)
{
    Task::Info info = FullTaskInfo();
    Data::DataValuePtr value = NativeToValueAdapter::Adapt(info);

    auto structure = Data::ValueCast<Data::StructValue>(value);
    ASSERT_NE(structure, nullptr);
    EXPECT_EQ(structure->TypeName(), "com.orvane.hub.task.info");
    auto status = Data::ValueCast<Data::EnumValue>(structure->GetField("status"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->TypeName(), "com.orvane.hub.task.status");
    EXPECT_EQ(status->Value(), "FAILED");
    // Unset optionals travel as the one unset instance, set ones wrapped.
    EXPECT_EQ(structure->GetField("end_time"), Data::OptionalValue::GetInstance());
    auto user = Data::ValueCast<Data::OptionalValue>(structure->GetField("user"));
    ASSERT_TRUE(user != nullptr && user->IsSet());

    Task::Info back;
    ASSERT_EQ(ValueToNativeAdapter::Adapt(value, back), nullptr);
    EXPECT_EQ(back, info);
}

TEST(AdapterTest, TaggedJsonRoundTripGivesTheSameNative)
{
    Task::Info info = FullTaskInfo();
    std::string json = Json::TaggedJsonCodec::Encode(*NativeToValueAdapter::Adapt(info));
    auto decoded = Json::TaggedJsonCodec::Decode(json);
    ASSERT_TRUE(decoded.Ok());
    Task::Info back;
    ASSERT_EQ(ValueToNativeAdapter::Adapt(decoded.value, back), nullptr);
    EXPECT_EQ(back.status, info.status);
    EXPECT_EQ(back.created_time, info.created_time);
    EXPECT_EQ(back.notifications, info.notifications);
    ASSERT_TRUE(back.result && back.error);
    EXPECT_TRUE(Data::Equal(*back.result, *info.result));
    EXPECT_TRUE(Data::Equal(*back.error, *info.error));
}

TEST(AdapterTest, ContainersRoundTrip)
{
    std::map<std::string, std::vector<std::optional<int64_t>>> nested{{"a", {1, std::nullopt, 3}}, {"b", {}}};
    std::set<Task::Status> states{Task::Status::RUNNING, Task::Status::PENDING};
    std::vector<uint8_t> bytes{0, 1, 254, 255};
    std::optional<double> ratio = 0.25;

    decltype(nested) nestedBack;
    decltype(states) statesBack;
    decltype(bytes) bytesBack;
    decltype(ratio) ratioBack;
    ASSERT_EQ(ValueToNativeAdapter::Adapt(NativeToValueAdapter::Adapt(nested), nestedBack), nullptr);
    ASSERT_EQ(ValueToNativeAdapter::Adapt(NativeToValueAdapter::Adapt(states), statesBack), nullptr);
    ASSERT_EQ(ValueToNativeAdapter::Adapt(NativeToValueAdapter::Adapt(bytes), bytesBack), nullptr);
    ASSERT_EQ(ValueToNativeAdapter::Adapt(NativeToValueAdapter::Adapt(ratio), ratioBack), nullptr);
    EXPECT_EQ(nestedBack, nested);
    EXPECT_EQ(statesBack, states);
    EXPECT_EQ(bytesBack, bytes);
    EXPECT_EQ(ratioBack, ratio);
}

TEST(AdapterTest, SecretsAreWrittenAsSecretsAndReadAsText)
{
    auto value = Bindings::StructWriter("t", 2)
                     .PutSecret("password", std::string("hunter2"))
                     .PutSecret("token", std::optional<std::string>())
                     .Done();
    auto structure = Data::ValueCast<Data::StructValue>(value);
    EXPECT_EQ(structure->GetField("password")->Kind(), Data::DataKind::kSecret);
    EXPECT_EQ(structure->ToString().find("hunter2"), std::string::npos);

    Bindings::AdaptContext context;
    Bindings::StructReader reader(value, "t", {"password", "token"}, context);
    std::string password;
    std::optional<std::string> token = "stale";
    ASSERT_TRUE(reader.Ok() && reader.Get("password", password) && reader.Get("token", token));
    EXPECT_EQ(password, "hunter2");
    EXPECT_FALSE(token.has_value());
}

TEST(AdapterTest, DirectFormIsReadByTheExpectedTypes)
{
    auto decoded = Json::DirectJsonCodec::Decode(R"({
        "base_image": {"version": "8.0.1"},
        "components": {"nic": "1.2", "raid": "3.0"},
        "solutions": [{"key": "ha", "value": {"version": "2"}}]})");
    ASSERT_TRUE(decoded.Ok());
    Com::Orvane::Tarn::HostprefDaemon::SoftwareSpec spec;
    ASSERT_EQ(ValueToNativeAdapter::Adapt(decoded.value, spec), nullptr);
    EXPECT_EQ(spec.base_image.version, "8.0.1");
    EXPECT_EQ(spec.components, (std::map<std::string, std::string>{{"nic", "1.2"}, {"raid", "3.0"}}));
    ASSERT_TRUE(spec.solutions.has_value());
    EXPECT_EQ(spec.solutions->at("ha").version, "2");
    EXPECT_FALSE(spec.add_on.has_value());

    auto filter = Json::DirectJsonCodec::Decode(R"({"status": ["RUNNING", "FAILED"], "tasks": null})");
    ASSERT_TRUE(filter.Ok());
    Com::Orvane::Hub::TasksSvc::FilterSpec filterSpec;
    ASSERT_EQ(ValueToNativeAdapter::Adapt(filter.value, filterSpec), nullptr);
    EXPECT_EQ(filterSpec.status, (std::set<Task::Status>{Task::Status::RUNNING, Task::Status::FAILED}));
    EXPECT_FALSE(filterSpec.tasks.has_value());

    auto progress = Json::DirectJsonCodec::Decode(
        R"({"total": 2, "completed": 1, "message": {"id": "i", "default_message": "d", "args": [], "localized": "l"}})");
    Task::Progress progressNative;
    ASSERT_EQ(ValueToNativeAdapter::Adapt(progress.value, progressNative), nullptr);
    EXPECT_EQ(progressNative.message.localized, "l");

    double ratio = 0;
    EXPECT_EQ(ValueToNativeAdapter::Adapt(Data::IntegerValue::Create(2), ratio), nullptr);
    EXPECT_EQ(ratio, 2.0);
    DateTime time;
    EXPECT_EQ(ValueToNativeAdapter::Adapt(Data::StringValue::Create("2024-01-02T03:04:05+01:00"), time), nullptr);
    EXPECT_EQ(time.ToString(), "2024-01-02T02:04:05.000Z");
}

TEST(AdapterTest, MissingAndNullRequiredFieldsAreRefusedWithTheirPath)
{
    auto missing = FailureReading<Task::Progress>(R"({"total": 1, "message": {"id": "i", "default_message": "d",
                                                      "args": [], "localized": "l"}})");
    EXPECT_EQ(missing.first, "lumo.data.unset.field");
    EXPECT_EQ(missing.second, std::vector<std::string>{"completed"});

    auto null = FailureReading<Com::Orvane::Tarn::HostprefDaemon::SoftwareSpec>(R"({"base_image": {"version": null}})");
    EXPECT_EQ(null.first, "lumo.data.unset.non.optional.field");
    EXPECT_EQ(null.second, std::vector<std::string>{"base_image.version"});

    auto nullItem = FailureReading<std::vector<std::string>>(R"(["a", null])");
    EXPECT_EQ(nullItem.first, "lumo.data.unset.non.optional.field");
    EXPECT_EQ(nullItem.second, std::vector<std::string>{"value[1]"});
}

TEST(AdapterTest, ValuesOfTheWrongKindAreRefusedAsInvalidType)
{
    auto wrongScalar = FailureReading<Com::Orvane::Hub::TasksSvc::FilterSpec>(R"({"tasks": ["t1", 7]})");
    EXPECT_EQ(wrongScalar.first, "lumo.data.invalid.type");
    EXPECT_EQ(wrongScalar.second, (std::vector<std::string>{"tasks[1]", "string", "integer"}));

    auto notAList = FailureReading<std::vector<int64_t>>(R"({"a": 1})");
    EXPECT_EQ(notAList.first, "lumo.data.invalid.type");

    auto mapValue = FailureReading<std::map<std::string, bool>>(R"({"on": true, "off": "no"})");
    EXPECT_EQ(mapValue.first, "lumo.data.invalid.type");
    EXPECT_EQ(mapValue.second.at(0), "value[\"off\"]");

    // A structure tagged with another type's name is not taken for this one.
    Task::Progress progress;
    auto foreign = Data::StructValue::Create("com.orvane.hub.task.info");
    EXPECT_EQ(FailureOf(ValueToNativeAdapter::Adapt(foreign, progress)).first, "lumo.data.invalid.type");
    Data::ErrorValuePtr error;
    EXPECT_EQ(FailureOf(ValueToNativeAdapter::Adapt(Data::StringValue::Create("x"), error)).first,
              "lumo.data.invalid.type");
}

TEST(AdapterTest, ValuesThatCannotBecomeTheTypeAreRefusedAsBadCast)
{
    auto constant = FailureReading<Com::Orvane::Hub::TasksSvc::FilterSpec>(R"({"status": ["DONE"]})");
    EXPECT_EQ(constant.first, "lumo.data.bad.cast2");
    EXPECT_EQ(constant.second.at(1), "com.orvane.hub.task.status");

    auto unknownField = FailureReading<Com::Orvane::Tarn::HostprefDaemon::SoftwareSpec>(
        R"({"base_image": {"version": "1", "verison": "2"}})");
    EXPECT_EQ(unknownField.first, "lumo.data.bad.cast2");
    EXPECT_NE(unknownField.second.at(0).find("verison"), std::string::npos);

    EXPECT_EQ(FailureReading<std::vector<uint8_t>>(R"("not base64!")").first, "lumo.data.bad.cast2");
    EXPECT_EQ(FailureReading<DateTime>(R"("2024-02-30T00:00:00Z")").first, "lumo.data.bad.cast2");

    // An enum value of another enumeration is the wrong type, not a bad constant.
    Task::Status status;
    auto other = Data::EnumValue::Create("com.orvane.other", "RUNNING");
    EXPECT_EQ(FailureOf(ValueToNativeAdapter::Adapt(other, status)).first, "lumo.data.invalid.type");
}

}  // namespace
