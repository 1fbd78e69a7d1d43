#include "util/OperationLaunch.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/TolkCtl.hpp"
#include "platform/host/UUID.hpp"
#include "tasks/TaskDB.hpp"
#include "tasks/TaskPaths.hpp"
#include "util/AccessLock.hpp"
#include "util/FileHelpers.hpp"
#include "util/ServiceErrors.hpp"

namespace LifeCycle {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;

constexpr const char* kUuidErrorId = "com.orvane.tarn.task.uuid.error";
constexpr const char* kContentionId = "com.orvane.tarn.task.contention";
constexpr const char* kCreateErrorId = "com.orvane.tarn.task.create.error";
constexpr const char* kExecErrorId = "com.orvane.tarn.task.exec.error";
constexpr const char* kClaimPrefix = "PRECURSOR: ";
constexpr int kInitOperationRetries = 30;
constexpr int kTaskStartProgress = 5;

void PauseBeforeRetry() { std::this_thread::sleep_for(std::chrono::seconds(1)); }

Lumo::Data::ErrorValuePtr FailureError(bool internal, const char* id)
{
    return ServiceErrors::Make(internal ? Errors::InternalServerError : Errors::Error, id);
}

void RemoveTrackingFile() { RemoveFiles({kTaskTrackingFile}); }

// One check: under the access lock, creates the tracking file for `name` when it is
// absent. True when the file was claimed; every other outcome is logged.
bool TryClaim(const std::string& name, int retries)
{
    constexpr const char* tag = "_CheckTaskContention";
    const std::string local = HostRoot::Path(kTaskTrackingFile);
    // Held across the test-and-create below, which is what other claimants race. The
    // lock is named after the file as this process sees it, so separate host roots do
    // not contend.
    std::optional<AccessLock> lock;
    try {
        lock.emplace(local, 0);
    } catch (const AccessLockError&) {
        CSLogger::Log(0, "[%s]: Lock contention in task %s, another task is starting, %d retries left", tag,
                      name.c_str(), retries);
        return false;
    }
    const int fd = open(local.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        try {
            WriteToFile(kTaskTrackingFile, kClaimPrefix + name);
            return true;
        } catch (const std::exception& e) {
            CSLogger::Log(0, "[%s]: Failed to write to the task sync file in task %s: %s, %d retries left", tag,
                          name.c_str(), e.what(), retries);
            return false;
        }
    }
    if (fd < 0) {
        CSLogger::Log(0, "[%s]: Failed to determine if the task sync file exists: %s, %d retries left", tag,
                      std::strerror(errno), retries);
        return false;
    }
    char content[256] = {};
    const ssize_t n = read(fd, content, sizeof content - 1);
    content[n > 0 ? n : 0] = '\0';
    close(fd);
    CSLogger::Log(0, "[%s]: Task sync file exists and contains '%s', %d retries left", tag, content, retries);
    return false;
}

// Adds the entry of `taskId` to the task status store; throws what the store throws.
void CreateTaskEntry(const std::string& taskId, const std::string* operation)
{
    TaskDB db(kTaskStatusPath, false);
    if (operation != nullptr) {
        // The daemon carries the task out itself: it cannot outlive this process.
        db.Manager()->CreateNamedTask(taskId, *operation, kTaskStartProgress, {},
                                      ::TaskDB::TaskManager::kDaemonRunner);
    } else {
        db.Manager()->CreateTask(taskId, kTaskStartProgress);
    }
}

// One detached start of `command`; true when it started.
bool StartDetached(const std::string& command, const std::string& taskId, int retries)
{
    constexpr const char* tag = "RunTask";
    CSLogger::Log(2, "[%s]: Executing command: %s", tag, command.c_str());
    try {
        const int status = TolkCtl::Util::TolkCtl_Daemon(command, false, false, true, true);
        if (status == 0) {
            return true;
        }
        CSLogger::Log(0, "[%s]: Failed to exec command for task %s: TolkCtl_Daemon() returned %d, %d retries left",
                      tag, taskId.c_str(), status, retries);
    } catch (const std::exception& e) {
        CSLogger::Log(0, "[%s]: Failed to exec command for task %s: %s, %d retries left", tag, taskId.c_str(),
                      e.what(), retries);
    }
    return false;
}

}  // namespace

std::string GetTaskId(Lumo::Data::ErrorValuePtr& error, bool internal)
{
    char* text = UUID_CreateRandom();
    if (text == nullptr || !UUID_PackText(text, std::strlen(text))) {
        std::free(text);
        error = FailureError(internal, kUuidErrorId);
        return {};
    }
    std::string id(text);
    std::free(text);
    CSLogger::Log(3, "[%s]: Generated task uuid %s", "GetTaskId", id.c_str());
    return id;
}

bool _CheckTaskContention(const std::string& name, Lumo::Data::ErrorValuePtr& error, int retries)
{
    for (; retries >= 0; --retries) {
        if (TryClaim(name, retries)) {
            return false;
        }
        PauseBeforeRetry();
    }
    error = ServiceErrors::Make(Errors::NotAllowedInCurrentState, kContentionId);
    return true;
}

Lumo::Data::ErrorValuePtr InitOperation(const std::string& name)
{
    constexpr const char* tag = "InitOperation";
    CSLogger::Log(2, "[%s]: Initializing operation: %s", tag, name.c_str());
    Lumo::Data::ErrorValuePtr error;
    if (_CheckTaskContention(name, error, kInitOperationRetries)) {
        CSLogger::Log(0, "[%s]: Operation=%s cannot proceed due to contention", tag, name.c_str());
        return error;
    }
    return nullptr;
}

std::string InitTask(const std::string& name, Lumo::Data::ErrorValuePtr& error, bool internal)
{
    constexpr const char* tag = "InitTask";
    std::string taskId = GetTaskId(error, internal);
    if (taskId.empty() || _CheckTaskContention(taskId, error, 0)) {
        return {};
    }
    try {
        CSLogger::Log(2, "[%s]: Creating task: %s", tag, taskId.c_str());
        CreateTaskEntry(taskId, &name);
        return taskId;
    } catch (const std::exception& e) {
        CSLogger::Log(0, "[%s]: Failed to create task %s: %s", tag, taskId.c_str(), e.what());
        RemoveTrackingFile();
        error = FailureError(internal, kCreateErrorId);
        return {};
    }
}

void RunTask(const std::string& command, const std::string& taskId, Lumo::Data::ErrorValuePtr& error,
             bool internal, int retries)
{
    constexpr const char* tag = "RunTask";
    if (_CheckTaskContention(taskId, error, retries)) {
        return;
    }
    CSLogger::Log(2, "[%s]: Creating task: %s", tag, taskId.c_str());
    try {
        CreateTaskEntry(taskId, nullptr);
    } catch (const std::exception& e) {
        CSLogger::Log(0, "[%s]: Failed to create task %s: %s", tag, taskId.c_str(), e.what());
        RemoveTrackingFile();
        error = FailureError(internal, kCreateErrorId);
        return;
    }
    for (; retries >= 0; --retries) {
        if (StartDetached(command, taskId, retries)) {
            return;
        }
        if (retries == 0) {
            RemoveTrackingFile();
            error = FailureError(internal, kExecErrorId);
            return;
        }
        PauseBeforeRetry();
    }
}

void CleanupOperation(const std::string& name)
{
    RemoveTrackingFile();
    CSLogger::Log(2, "[%s]: Cleaned up state associated with operation=%s ", "CleanupOperation", name.c_str());
}

}  // namespace LifeCycle
