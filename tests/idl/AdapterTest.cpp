// The value adapters of the generated bindings: round trips of every kind of type, the
// untyped forms a direct JSON decoding yields, and the failure each bad input produces.

#include "generated/Com/Orvane/Hub/Task/Info.hpp"
#include "generated/Com/Orvane/Hub/TasksSvc/FilterSpec.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/SoftwareSpec.hpp"
#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/NativeOutput.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "platform/lumo/TaggedNativeReader.hpp"
#include "platform/lumo/LumoTestSupport.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"
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
    namespace Daemon = Com::Orvane::Tarn::HostprefDaemon;
    const Daemon::Notification note{Daemon::NotificationKind::WARNING, "note.id", AdapterTestMessage("note.id"),
                                    *DateTime::Create("2024-05-06T07:08:11Z")};
    return {.id = "6f1c7b0e",
            .description = AdapterTestMessage("com.orvane.tarn.task.description"),
            .service = "hostprefd",
            .operation = "com.orvane.tarn.hostpref_daemon.configuration.apply",
            .status = Task::Status::FAILED,
            .cancelable = true,
            .user = "root",
            .created_time = *DateTime::Create("2024-05-06T07:08:09.010Z"),
            .start_time = *DateTime::Create("2024-05-06T07:08:10Z"),
            .progress = Task::Progress{100, 40, AdapterTestMessage("com.orvane.tarn.task.progress")},
            .result = Data::StringValue::Create("partial"),
            .error = Data::ErrorFactory::GetError(Com::Orvane::Lumo::Std::Errors::NotFound,
                                                  {BaseMessage("m.id", "gone")}, L10n::RequestLocalizer()),
            .notifications = Task::Notifications{{}, {note}, {}}};
}

// The message id and arguments of an adapter failure.
using Failure = std::pair<std::string, std::vector<std::string>>;
Failure FailureOf(const Data::ErrorValuePtr& error)
{
    if (error == nullptr) return {"no error", {}};
    EXPECT_EQ(error->Name(), Com::Orvane::Lumo::Std::Errors::InvalidArgument.Name());
    auto message = LumoTestSupport::FirstMessage(error);
    return message ? Failure{message->id, message->args} : Failure{"no message", {}};
}

// The failure of adapting the direct JSON `json` to a native `T`.
template <class T>
Failure FailureReading(std::string_view json, T* read = nullptr)
{
    auto decoded = Json::DirectJsonCodec::Decode(json);
    EXPECT_TRUE(decoded.Ok()) << json;
    T native{};
    return FailureOf(ValueToNativeAdapter::Adapt(decoded.value, read ? *read : native));
}

template <class T>
T RoundTrip(const T& native)
{
    T back{};
    EXPECT_EQ(ValueToNativeAdapter::Adapt(NativeToValueAdapter::Adapt(native), back), nullptr);
    return back;
}

TEST(AdapterTest, StructuresAndContainersRoundTripWithEveryKindOfField)
{
    Task::Info info = FullTaskInfo();
    Data::DataValuePtr value = NativeToValueAdapter::Adapt(info);

    auto structure = Data::ValueCast<Data::StructValue>(value);
    ASSERT_NE(structure, nullptr);
    EXPECT_EQ(structure->TypeName(), "com.orvane.hub.task.info");
    EXPECT_EQ(*structure->GetField("status"), *Data::EnumValue::Create("com.orvane.hub.task.status", "FAILED"));
    // Unset optionals travel as the one unset instance, set ones wrapped.
    EXPECT_EQ(structure->GetField("end_time"), Data::OptionalValue::GetInstance());
    EXPECT_EQ(*structure->GetField("user"), *Data::OptionalValue::Create(Data::StringValue::Create("root")));

    EXPECT_EQ(RoundTrip(info), info);
    const std::map<std::string, std::vector<std::optional<int64_t>>> nested{{"a", {1, std::nullopt, 3}}, {"b", {}}};
    const std::set<Task::Status> states{Task::Status::RUNNING, Task::Status::PENDING};
    const std::vector<uint8_t> bytes{0, 1, 254, 255};
    EXPECT_EQ(RoundTrip(nested), nested);
    EXPECT_EQ(RoundTrip(states), states);
    EXPECT_EQ(RoundTrip(bytes), bytes);
    EXPECT_EQ(RoundTrip(std::optional<double>(0.25)), 0.25);
}

// `native` in the JSON form of `Codec`, written from its data value and emitted straight
// from the native; answers are written the second way, so the two must not differ by a byte.
template <class Codec, class T>
void ExpectEmittedAsItsValue(const T& native)
{
    rapidjson::StringBuffer emitted;
    Json::JsonWriter writer(emitted);
    Codec::Write(Data::NativeOutputOf<T, Bindings::TypeAdapter<T>>(native), writer);
    EXPECT_EQ(emitted.GetString(), Codec::Encode(*NativeToValueAdapter::Adapt(native)));
}

TEST(AdapterTest, NativeOutputIsEmittedExactlyAsItsValueIsEncoded)
{
    Task::Info full = FullTaskInfo();
    Task::Info sparse{.id = "a\"b\u00e9", .status = Task::Status::PENDING, .result = Data::DataValuePtr{}};
    const std::map<std::string, Task::Info> infos{{"full", full}, {"sparse", sparse}, {"", {}}};
    const std::map<std::string, std::vector<std::optional<int64_t>>> nested{{"a", {1, std::nullopt, 3}}, {"b", {}}};
    const std::set<Task::Status> states{Task::Status::RUNNING, Task::Status::PENDING};
    const std::vector<uint8_t> bytes{0, 1, 254, 255};
    for (const double number : {0.25, std::nan(""), -HUGE_VAL}) {
        ExpectEmittedAsItsValue<Json::TaggedJsonCodec>(std::optional<double>(number));
        ExpectEmittedAsItsValue<Json::DirectJsonCodec>(std::optional<double>(number));
    }
    ExpectEmittedAsItsValue<Json::TaggedJsonCodec>(infos);
    ExpectEmittedAsItsValue<Json::DirectJsonCodec>(infos);
    ExpectEmittedAsItsValue<Json::TaggedJsonCodec>(nested);
    ExpectEmittedAsItsValue<Json::DirectJsonCodec>(nested);
    ExpectEmittedAsItsValue<Json::TaggedJsonCodec>(states);
    ExpectEmittedAsItsValue<Json::DirectJsonCodec>(states);
    ExpectEmittedAsItsValue<Json::TaggedJsonCodec>(bytes);
    ExpectEmittedAsItsValue<Json::DirectJsonCodec>(bytes);
}

// `json` read by the tagged native reader, and by the codec and the adapters; where the
// reader takes a text, the adapters must take it too and read the same native.
template <class T>
bool ReaderAgreesWithTheAdapters(const std::string& json)
{
    rapidjson::Document document;
    EXPECT_EQ(Json::JsonParser::Parse(json, document), nullptr) << json;
    T fast{};
    const bool taken = Json::TaggedNativeReader::Read(document, fast);
    T adapted{};
    auto decoded = Json::TaggedJsonCodec::Decode(json);
    const bool adaptable = decoded.Ok() && ValueToNativeAdapter::Adapt(decoded.value, adapted) == nullptr;
    if (taken) {
        EXPECT_TRUE(adaptable) << json;
        EXPECT_EQ(fast, adapted) << json;
    }
    return taken;
}

TEST(AdapterTest, TaggedNativeReaderTakesTheEncodersFormAndLeavesTheRestToTheAdapters)
{
    namespace Daemon = Com::Orvane::Tarn::HostprefDaemon;
    const Daemon::Notification note{Daemon::NotificationKind::ERROR, "n\"1\u00e9",
                                    {"n.1", "Depot {1} failed: {2}", {"https://d.invalid/", ""}, "x\ny"},
                                    *DateTime::Create("2024-05-06T07:08:11.123Z")};
    const std::string tagged = Json::TaggedJsonCodec::Encode(*NativeToValueAdapter::Adapt(note));
    EXPECT_TRUE(ReaderAgreesWithTheAdapters<Daemon::Notification>(tagged));
    using Nested = std::map<std::string, std::vector<std::optional<int64_t>>>;
    const Nested nested{{"a", {1, std::nullopt, -3}}, {"b", {}}};
    EXPECT_TRUE(ReaderAgreesWithTheAdapters<Nested>(
        Json::TaggedJsonCodec::Encode(*NativeToValueAdapter::Adapt(nested))));

    auto edited = [&tagged](std::string_view from, std::string_view to) {
        std::string text = tagged;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::string declined[] = {
        Json::DirectJsonCodec::Encode(*NativeToValueAdapter::Adapt(note)),
        edited("\"id\":\"n", "\"other\":\"n"),                          // unknown field in place of one
        edited("\"id\":\"n", "\"kind\":\"n"),                           // a field twice, one missing
        edited("\"id\":\"n", "\"extra\":1,\"id\":\"n"),                  // a field more
        edited("hostpref_daemon.notification\"", "hostpref_daemon.other\""),  // another type
        edited("\"ERROR\"", "\"FATAL\""),                                 // no such constant
        edited("2024-05-06T07", "2024-13-06T07"),                          // no such time
        edited("\"args\":[", "\"args\":[7,"),                               // not a string
        R"({"map":{"a":[{"optional":null}]}})",                            // a set optional of the unset one
        R"({"map":{"a":[{"optional":1}],"a":[null]}})",                                    // a key twice
        R"({"map":{"a":[{"optional":1.5}]}})",
    };
    for (const auto& json : declined) {
        const bool taken = json.starts_with("{\"map\"")
                               ? ReaderAgreesWithTheAdapters<Nested>(json)
                               : ReaderAgreesWithTheAdapters<Daemon::Notification>(json);
        EXPECT_FALSE(taken) << json;
    }
}

// The native `T` read from the direct JSON `json`.
template <class T>
T Read(std::string_view json)
{
    T native{};
    EXPECT_EQ(FailureReading(json, &native), (Failure{"no error", {}})) << json;
    return native;
}

TEST(AdapterTest, DirectFormIsReadByTheExpectedTypes)
{
    namespace Daemon = Com::Orvane::Tarn::HostprefDaemon;
    EXPECT_EQ(Read<Daemon::SoftwareSpec>(R"({"base_image": {"version": "8.0.1"},
        "components": {"nic": "1.2", "raid": "3.0"}, "solutions": [{"key": "ha", "value": {"version": "2"}}]})"),
              (Daemon::SoftwareSpec{.base_image = {"8.0.1"},
                                    .components = std::map<std::string, std::string>{{"nic", "1.2"}, {"raid", "3.0"}},
                                    .solutions = std::map<std::string, Daemon::SolutionSpec>{{"ha", {"2"}}}}));
    EXPECT_EQ(Read<Com::Orvane::Hub::TasksSvc::FilterSpec>(R"({"status": ["RUNNING", "FAILED"], "tasks": null})"),
              (Com::Orvane::Hub::TasksSvc::FilterSpec{
                  .status = std::set<Task::Status>{Task::Status::RUNNING, Task::Status::FAILED}}));
    EXPECT_EQ(Read<Task::Progress>(R"({"total": 2, "completed": 1,
        "message": {"id": "i", "default_message": "d", "args": [], "localized": "l"}})")
                  .message.localized,
              "l");
    EXPECT_EQ(Read<double>("2"), 2.0);
    EXPECT_EQ(Read<DateTime>(R"("2024-01-02T03:04:05+01:00")").ToString(), "2024-01-02T02:04:05.000Z");
}

TEST(AdapterTest, BadInputIsRefusedWithTheFailureIdAndThePlace)
{
    using Spec = Com::Orvane::Tarn::HostprefDaemon::SoftwareSpec;
    using Filter = Com::Orvane::Hub::TasksSvc::FilterSpec;
    Task::Progress progress;
    Task::Status status;
    Data::ErrorValuePtr error;
    // Each row: what adapting gave, what it must give.
    const std::pair<Failure, Failure> cases[] = {
        {FailureReading<Task::Progress>(
             R"({"total": 1, "message": {"id": "i", "default_message": "d", "args": [], "localized": "l"}})"),
         {"lumo.data.unset.field", {"completed"}}},
        {FailureReading<Spec>(R"({"base_image": {"version": null}})"),
         {"lumo.data.unset.non.optional.field", {"base_image.version"}}},
        {FailureReading<std::vector<std::string>>(R"(["a", null])"),
         {"lumo.data.unset.non.optional.field", {"value[1]"}}},
        {FailureReading<Filter>(R"({"tasks": ["t1", 7]})"),
         {"lumo.data.invalid.type", {"tasks[1]", "string", "integer"}}},
        {FailureReading<std::vector<int64_t>>(R"({"a": 1})"), {"lumo.data.invalid.type", {"value", "list", "struct"}}},
        {FailureReading<std::map<std::string, bool>>(R"({"on": true, "off": "no"})"),
         {"lumo.data.invalid.type", {"value[\"off\"]", "boolean", "string"}}},
        // A structure tagged with another type's name is not taken for this one.
        {FailureOf(ValueToNativeAdapter::Adapt(Data::StructValue::Create("com.orvane.hub.task.info"), progress)),
         {"lumo.data.invalid.type", {"value", "com.orvane.hub.task.progress", "struct com.orvane.hub.task.info"}}},
        {FailureOf(ValueToNativeAdapter::Adapt(Data::StringValue::Create("x"), error)),
         {"lumo.data.invalid.type", {"value", "error", "string"}}},
        // An enum value of another enumeration is the wrong type, not a bad constant.
        {FailureOf(ValueToNativeAdapter::Adapt(Data::EnumValue::Create("com.orvane.other", "RUNNING"), status)),
         {"lumo.data.invalid.type", {"value", "com.orvane.hub.task.status", "enum"}}},
        {FailureReading<Filter>(R"({"status": ["DONE"]})"),
         {"lumo.data.bad.cast2", {"status[0] (\"DONE\")", "com.orvane.hub.task.status"}}},
        {FailureReading<Spec>(R"({"base_image": {"version": "1", "verison": "2"}})"),
         {"lumo.data.bad.cast2",
          {"base_image (unknown field \"verison\")", "com.orvane.tarn.hostpref_daemon.base_image_spec"}}},
        {FailureReading<std::vector<uint8_t>>(R"("not base64!")"),
         {"lumo.data.bad.cast2", {"value (string that is not base64)", "binary"}}},
        {FailureReading<DateTime>(R"("2024-02-30T00:00:00Z")"),
         {"lumo.data.bad.cast2", {"value (string \"2024-02-30T00:00:00Z\")", "date_time"}}},
    };
    for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);
}

}  // namespace
