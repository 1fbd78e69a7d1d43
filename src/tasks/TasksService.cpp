#include "tasks/TasksService.hpp"

#include <variant>

#include "translator/Translator.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/taskdb/TaskDBError.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "platform/lumo/ValueToNativeAdapter.hpp"
#include "tasks/JsonParseError.hpp"
#include "tasks/TaskDB.hpp"
#include "tasks/TaskFileNotFoundError.hpp"
#include "tasks/TaskInfoError.hpp"
#include "tasks/TaskNotification.hpp"
#include "tasks/TaskPaths.hpp"
#include "util/AccessLock.hpp"

namespace Com::Orvane::Hub::TasksSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using ::Lumo::Data::ErrorValuePtr;
using Com::Orvane::Tarn::HostprefDaemon::Notification;
using Com::Orvane::Tarn::HostprefDaemon::NotificationKind;

constexpr const char* kTaskService = "hostprefd";
constexpr const char* kDescriptionId = "com.orvane.tarn.task.description";
constexpr const char* kProgressId = "com.orvane.tarn.task.progress";
constexpr const char* kNotFoundId = "com.orvane.tarn.task.notfound.error";
constexpr const char* kLockErrorId = "com.orvane.tarn.task.lock.error";
constexpr const char* kParseErrorId = "com.orvane.tarn.task.parse.error";
constexpr const char* kFileNotFoundId = "com.orvane.tarn.task.file.notfound.error";
constexpr const char* kUnknownErrorId = "com.orvane.tarn.task.unknown.error";

// An error answer of `kind` with the one message `id` and `argument`, rendered for the
// daemon's fixed locale.
ErrorValuePtr TasksSvcError(const Errors::StandardError& kind, const char* id, const std::string& argument)
{
    const ::Lumo::L10n::RequestLocalizer localizer = LifeCycle::Translator::MakeRequestLocalizer();
    return ::Lumo::Data::ErrorFactory::GetError(
        kind, {::Lumo::BaseMessage(id, LifeCycle::Translator::Lookup(id, localizer.Locale()), {argument})},
        localizer);
}

Com::Orvane::Lumo::Std::LocalizableMessage TasksSvcMessage(const std::string& id, std::vector<std::string> args,
                                                           const ::Lumo::L10n::RequestLocalizer& localizer)
{
    return Com::Orvane::Lumo::Std::LocalizableMessage::Render(
        ::Lumo::BaseMessage(id, LifeCycle::Translator::Lookup(id, localizer.Locale()), std::move(args)), localizer);
}

// The task messages of one call, each distinct one rendered once: a listing shows the same
// few messages for many records (a handful of operations, most progress at its end), and a
// rendering costs two catalogue lookups and a formatting where a copy costs little.
class CallMessages {
public:
    explicit CallMessages(const ::Lumo::L10n::RequestLocalizer& localizer) : localizer_(localizer) {}

    Com::Orvane::Lumo::Std::LocalizableMessage Description(const std::string& operation)
    {
        return Render(descriptions_, kDescriptionId, {operation});
    }

    Com::Orvane::Lumo::Std::LocalizableMessage Progress(int completed, int total)
    {
        return Render(progress_, kProgressId, {std::to_string(completed), std::to_string(total)});
    }

    const ::Lumo::L10n::RequestLocalizer& Localizer() const { return localizer_; }

private:
    using Rendered = std::map<std::vector<std::string>, Com::Orvane::Lumo::Std::LocalizableMessage>;

    const Com::Orvane::Lumo::Std::LocalizableMessage& Render(Rendered& rendered, const char* id,
                                                             std::vector<std::string> args)
    {
        auto found = rendered.find(args);
        if (found == rendered.end()) {
            auto message = TasksSvcMessage(id, args, localizer_);
            found = rendered.emplace(std::move(args), std::move(message)).first;
        }
        return found->second;
    }

    const ::Lumo::L10n::RequestLocalizer& localizer_;
    Rendered descriptions_;
    Rendered progress_;
};

const ::Lumo::L10n::RequestLocalizer& LocalizerOf(const std::shared_ptr<::Lumo::Core::AsyncActivation>& activation)
{
    static const ::Lumo::L10n::RequestLocalizer fallback;
    return activation != nullptr ? activation->requestLocalizer : fallback;
}

Task::Status TaskStatusOf(const ::TaskDB::TaskInfo& record)
{
    if (record.status.empty()) {
        CSLogger::Log(3, "Task has no status, use pending");
        return Task::Status::PENDING;
    }
    static const std::map<std::string, Task::Status, std::less<>> statuses{
        {"PENDING", Task::Status::PENDING},
        {"RUNNING", Task::Status::RUNNING},
        {"SUCCEEDED", Task::Status::SUCCEEDED},
        {"FAILED", Task::Status::FAILED},
    };
    const auto found = statuses.find(record.status);
    if (found == statuses.end()) {
        throw LifeCycle::TaskInfoError("Task " + record.id + " has invalid status " + record.status);
    }
    return found->second;
}

// The time in `text`; `what` names the field in the error a malformed time raises.
::Lumo::DateTime TaskTimeOf(const ::TaskDB::TaskInfo& record, const std::string& text, const char* what)
{
    auto time = ::Lumo::DateTime::Create(text);
    if (!time) {
        throw LifeCycle::TaskInfoError("Task " + record.id + " has invalid " + what + " " + text);
    }
    return *time;
}

// The record's error as an error value, or null when it carries none or it cannot be read.
std::optional<ErrorValuePtr> TaskErrorOf(const ::TaskDB::TaskInfo& record,
                                         const ::Lumo::L10n::RequestLocalizer& localizer)
{
    try {
        if (!record.errorId.empty()) {
            return ::Lumo::Data::ErrorFactory::GetError(
                Errors::Error,
                {::Lumo::BaseMessage(record.errorId, LifeCycle::Translator::Lookup(record.errorId, localizer.Locale()),
                                     record.errorArgs)},
                localizer);
        }
        if (record.errorText.empty()) {
            return std::nullopt;
        }
        const auto decoded = ::Lumo::Protocol::Json::TaggedJsonCodec::Decode(record.errorText);
        if (!decoded.Ok()) {
            throw std::runtime_error(decoded.error->ToString());
        }
        auto error = ::Lumo::Data::ValueCast<::Lumo::Data::ErrorValue>(decoded.value);
        if (error == nullptr) {
            throw std::runtime_error("not an error value: " + decoded.value->ToString());
        }
        return error;
    } catch (const std::exception& error) {
        CSLogger::Log(0, "Error de-serializing task exception: %s", error.what());
        return std::nullopt;
    }
}

// The stored notifications sorted into the client's lists by kind; unreadable ones are left out.
Task::Notifications TaskNotificationsOf(const ::TaskDB::TaskInfo& record)
{
    Task::Notifications lists;
    for (const std::string& text : record.notifications) {
        auto decoded = LifeCycle::TaskNotification::Decode(text);
        if (const auto* why = std::get_if<std::string>(&decoded)) {
            CSLogger::Log(0, "[%s] Could not adapt to native types : %s", "_MakeInfo", why->c_str());
            continue;
        }
        auto& notification = std::get<Notification>(decoded);
        auto& list = notification.kind == NotificationKind::INFO      ? lists.info
                     : notification.kind == NotificationKind::WARNING ? lists.warnings
                                                                      : lists.errors;
        list.push_back(std::move(notification));
    }
    return lists;
}

// `info` after a trip through its data value, as a client will decode it; nullopt when
// the trip fails.
std::optional<Task::Info> TaskInfoRoundTrip(const Task::Info& info)
{
    Task::Info decoded;
    auto error = ::Lumo::Bindings::ValueToNativeAdapter::Adapt(::Lumo::Bindings::NativeToValueAdapter::Adapt(info),
                                                                decoded);
    if (error != nullptr) {
        CSLogger::Log(0, "Failed to convert task info for %s", info.id.c_str());
        return std::nullopt;
    }
    return decoded;
}

// The answer of a failed read of the store in `operation`, per the exception in flight; `list`
// picks List's answers over Get's. nullopt for TaskFileNotFoundError in List (an empty list).
std::optional<ErrorValuePtr> TasksSvcReadFailure(const char* operation, bool list)
{
    try {
        throw;
    } catch (const LifeCycle::AccessLockError& error) {
        CSLogger::Log(0, "[%s]: Failed to acquire lock: %s", operation, error.what());
        return TasksSvcError(Errors::ResourceInaccessible, kLockErrorId, error.what());
    } catch (const ::TaskDB::StoreBusy& error) {
        CSLogger::Log(0, "[%s]: Failed to acquire lock: %s", operation, error.what());
        return TasksSvcError(Errors::ResourceInaccessible, kLockErrorId, error.what());
    } catch (const LifeCycle::JsonParseError& error) {
        CSLogger::Log(0, "[%s] :  %s", operation, error.what());
        return TasksSvcError(list ? Errors::ResourceInaccessible : Errors::Error, kParseErrorId, error.what());
    } catch (const LifeCycle::TaskInfoError& error) {
        CSLogger::Log(0, "[%s] :  %s", operation, error.what());
        return TasksSvcError(Errors::Error, kParseErrorId, error.what());
    } catch (const LifeCycle::TaskFileNotFoundError& error) {
        if (list) {
            CSLogger::Log(0, "[%s]: Returning empty list.: %s", operation, error.what());
            return std::nullopt;
        }
        CSLogger::Log(0, "[%s] %s", operation, error.what());
        return TasksSvcError(Errors::NotFound, kFileNotFoundId, error.what());
    } catch (const std::exception& error) {
        CSLogger::Log(0, "[%s]: Unknown error", operation);
        return TasksSvcError(list ? Errors::ServiceUnavailable : Errors::Error, kUnknownErrorId, error.what());
    } catch (...) {
        CSLogger::Log(0, "[%s]: Unknown error", operation);
        return TasksSvcError(list ? Errors::ServiceUnavailable : Errors::Error, kUnknownErrorId, "unknown exception");
    }
}

// The info a client is shown for `record`; throws LifeCycle::TaskInfoError when the record
// is not well formed.
Task::Info InfoOf(const ::TaskDB::TaskInfo& record, CallMessages& messages)
{
    const auto& localizer = messages.Localizer();
    Task::Info info;
    info.id = record.id;
    info.service = kTaskService;
    info.cancelable = false;
    info.description = messages.Description(record.operation);
    info.operation = record.operation;
    if (!record.user.empty()) info.user = record.user;
    if (!record.created.empty()) info.created_time = TaskTimeOf(record, record.created, "created time");
    info.status = TaskStatusOf(record);
    if (info.status != Task::Status::PENDING) {
        if (record.startTime.empty()) throw LifeCycle::TaskInfoError("Task " + record.id + " does not have start time");
        info.start_time = TaskTimeOf(record, record.startTime, "start time");
    }
    info.progress = Task::Progress{record.total, record.completed, messages.Progress(record.completed, record.total)};
    const bool ended = info.status == Task::Status::SUCCEEDED || info.status == Task::Status::FAILED;
    if (ended) {
        if (record.endTime.empty()) throw LifeCycle::TaskInfoError("Task " + record.id + " does not have end time");
        info.end_time = TaskTimeOf(record, record.endTime, "end time");
    }
    if (!record.result.empty()) {
        const auto decoded = ::Lumo::Protocol::Json::TaggedJsonCodec::Decode(record.result);
        if (!decoded.Ok()) {
            CSLogger::Log(0, "Error de-serializing task result: %s", decoded.error->ToString().c_str());
            throw LifeCycle::TaskInfoError("Result of task " + record.id + " cannot be de-serialized");
        }
        info.result = decoded.value;
    }
    info.error = TaskErrorOf(record, localizer);
    if (info.status == Task::Status::FAILED && record.errorId.empty() && record.errorText.empty()) {
        CSLogger::Log(1, "Task %s failed without any error details.", record.id.c_str());
    }
    info.notifications = TaskNotificationsOf(record);
    return info;
}

}  // namespace

AsyncServiceImpl::AsyncServiceImpl() : AsyncServiceImpl(&AsyncServiceImpl::ReadStore, LifeCycle::TaskSchedular::GetInstance())
{
}

AsyncServiceImpl::AsyncServiceImpl(RecordReader reader, LifeCycle::TaskSchedular& scheduler)
    : reader_(std::move(reader)), scheduler_(scheduler)
{
}

std::map<std::string, ::TaskDB::TaskInfo> AsyncServiceImpl::ReadStore()
{
    // Opening without the create flag still initializes a store whose file is missing.
    return LifeCycle::TaskDB(LifeCycle::kTaskStatusPath, false).Manager()->GetAllTasks();
}

Task::Info AsyncServiceImpl::MakeInfo(const ::TaskDB::TaskInfo& record, const ::Lumo::L10n::RequestLocalizer& localizer)
{
    CallMessages messages(localizer);
    return InfoOf(record, messages);
}


void AsyncServiceImpl::Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string task,
                           ::Lumo::Core::AsyncResult<Task::Info> result)
{
    CSLogger::Log(2, "[%s]: Getting the task with id:'%s'", "Get", task.c_str());
    // The answer is settled inside the try and delivered after it, so that nothing the
    // result callback throws is mistaken for a failure of the store.
    std::variant<Task::Info, ErrorValuePtr> answer;
    try {
        const auto records = reader_();
        const auto found = records.find(task);
        if (found == records.end()) {
            CSLogger::Log(2, "[%s]: Task with identifier '%s' not found.", "Get", task.c_str());
            answer = TasksSvcError(Errors::NotFound, kNotFoundId, task);
        } else if (auto info = TaskInfoRoundTrip(MakeInfo(found->second, LocalizerOf(activation)))) {
            answer = std::move(*info);
        } else {
            answer = TasksSvcError(Errors::Error, kUnknownErrorId, task);
        }
    } catch (...) {
        answer = *TasksSvcReadFailure("Get", false);
    }
    if (auto* info = std::get_if<Task::Info>(&answer)) {
        result.Succeed(std::move(*info));
    } else {
        result.Fail(std::get<ErrorValuePtr>(answer));
    }
}

void AsyncServiceImpl::List(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
                            std::optional<FilterSpec> /*filter*/,
                            ::Lumo::Core::AsyncResult<std::map<std::string, Task::Info>> result)
{
    using InfoMap = std::map<std::string, Task::Info>;
    std::variant<InfoMap, ErrorValuePtr> answer;
    try {
        // Each info is converted to its data value once, by the binder, on the way out: an info
        // made from a record always converts (its texts are repaired on encoding), so the trip
        // to a value and back that Get makes for its one task would only double the work here.
        InfoMap infos;
        CallMessages messages(LocalizerOf(activation));
        // Each record is released once it is converted, so the memory of the records is
        // reused for the infos instead of both lists being held at once.
        auto records = reader_();
        while (!records.empty()) {
            auto node = records.extract(records.begin());
            try {
                infos.emplace_hint(infos.end(), std::move(node.key()), InfoOf(node.mapped(), messages));
            } catch (const LifeCycle::TaskInfoError& error) {
                CSLogger::Log(0, "[%s] :  %s, skipping task", "List", error.what());
            }
        }
        answer = std::move(infos);
    } catch (...) {
        auto failure = TasksSvcReadFailure("List", true);
        if (failure) {
            answer = *failure;
        } else {
            answer = InfoMap{};
        }
    }
    if (auto* infos = std::get_if<InfoMap>(&answer)) {
        result.Succeed(std::move(*infos));
    } else {
        result.Fail(std::get<ErrorValuePtr>(answer));
    }
}

void AsyncServiceImpl::Cancel(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/, std::string task,
                              ::Lumo::Core::AsyncResult<void> result)
{
    CSLogger::Log(2, "[%s]: Canceling task %s", "Cancel", task.c_str());
    try {
        scheduler_.Abort(task);
    } catch (const std::exception& error) {
        // Cancel answers success in every case; a scheduler fault is only worth a line.
        CSLogger::Log(0, "[%s]: %s", "Cancel", error.what());
    }
    result.Succeed();
}

}  // namespace Com::Orvane::Hub::TasksSvc
