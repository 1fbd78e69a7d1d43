#include "platform/host/taskdb/TaskManager.hpp"

#include "platform/host/UtcTime.hpp"
#include "platform/host/taskdb/SqliteConnection.hpp"
#include "platform/host/taskdb/TaskDBError.hpp"
#include "platform/host/taskdb/TaskSchema.hpp"

namespace TaskDB {

namespace {

using Kind = SqliteConnection::TransactionKind;

constexpr const char* kSelectTasks =
    "SELECT id, operation, user_name, created, status, start_time, end_time, completed, total,"
    " start_progress, message, result, error_text, error_id FROM tasks";
constexpr const char* kSelectTask =
    "SELECT id, operation, user_name, created, status, start_time, end_time, completed, total,"
    " start_progress, message, result, error_text, error_id FROM tasks WHERE id = ?1";
constexpr const char* kSelectArgs = "SELECT task_id, value FROM task_error_args ORDER BY task_id, position";
constexpr const char* kSelectTaskArgs =
    "SELECT task_id, value FROM task_error_args WHERE task_id = ?1 ORDER BY position";
constexpr const char* kSelectNotifications = "SELECT task_id, body FROM task_notifications ORDER BY seq";
constexpr const char* kSelectTaskNotifications =
    "SELECT task_id, body FROM task_notifications WHERE task_id = ?1 ORDER BY seq";

TaskInfo ReadTask(const SqliteStatement& row)
{
    TaskInfo task;
    task.id = row.Text(0);
    task.operation = row.Text(1);
    task.user = row.Text(2);
    task.created = row.Text(3);
    task.status = row.Text(4);
    task.startTime = row.Text(5);
    task.endTime = row.Text(6);
    task.completed = static_cast<int32_t>(row.Int(7));
    task.total = static_cast<int32_t>(row.Int(8));
    task.startProgress = static_cast<int32_t>(row.Int(9));
    task.message = row.Text(10);
    task.result = row.Text(11);
    task.errorText = row.Text(12);
    task.errorId = row.Text(13);
    return task;
}

// Appends column 1 of each row to the list `member` of the task named in column 0.
void ReadLists(SqliteStatement& rows, std::map<std::string, TaskInfo>& tasks,
               std::vector<std::string> TaskInfo::*member)
{
    while (rows.Step()) {
        auto task = tasks.find(rows.Text(0));
        if (task != tasks.end()) {
            (task->second.*member).push_back(rows.Text(1));
        }
    }
}

void RequireId(const std::string& id)
{
    if (id.empty()) {
        throw TaskDBError("a task id must not be empty");
    }
}

}  // namespace

std::shared_ptr<TaskManager> TaskManager::FromPath(const std::string& dbFile)
{
    return std::make_shared<TaskManager>(dbFile);
}

TaskManager::TaskManager(std::string dbFile) : dbFile_(std::move(dbFile)) {}

TaskManager::~TaskManager() { DropInheritedConnection(); }

void TaskManager::DropInheritedConnection()
{
    if (connection_ != nullptr && !connection_->OwnedByThisProcess()) {
        connection_->Abandon();
        connection_.reset();
    }
}

SqliteConnection& TaskManager::Connection()
{
    DropInheritedConnection();
    if (connection_ == nullptr) {
        auto fresh = std::make_unique<SqliteConnection>(dbFile_, SqliteConnection::OpenMode::ExistingOnly);
        const int version = fresh->RetryWhileBusy([&] { return TaskSchema::StoredVersion(*fresh); });
        if (version != TaskSchema::kCurrentVersion) {
            throw TaskDBError("task store " + dbFile_ + " is not initialized (layout version " +
                              std::to_string(version) + ", expected " +
                              std::to_string(TaskSchema::kCurrentVersion) + ")");
        }
        connection_ = std::move(fresh);
    }
    return *connection_;
}

void TaskManager::Initialize()
{
    std::lock_guard lock(mutex_);
    DropInheritedConnection();
    // Work on a connection of our own until the store is known good, so that a failed
    // Initialize never leaves a connection that skipped the layout check.
    std::unique_ptr<SqliteConnection> connection = std::move(connection_);
    if (connection == nullptr) {
        connection = std::make_unique<SqliteConnection>(dbFile_, SqliteConnection::OpenMode::CreateIfMissing);
    }
    // Write-ahead logging lets readers run beside one writer and survives a writer
    // killed half-way. The mode is stored in the file, so this changes it only once.
    const std::string mode =
        connection->RetryWhileBusy([&] { return connection->QueryText("PRAGMA journal_mode=WAL"); });
    if (mode != "wal") {
        throw TaskDBError("task store " + dbFile_ + " cannot use write-ahead logging (journal mode " + mode +
                          ")");
    }
    if (connection->RetryWhileBusy([&] { return TaskSchema::StoredVersion(*connection); }) !=
        TaskSchema::kCurrentVersion) {
        // Upgrade checks the version again under the write lock: another process may
        // have upgraded the file in the meantime.
        connection->Transaction(Kind::Write, [&] { TaskSchema::Upgrade(*connection); });
    }
    connection_ = std::move(connection);
}

std::map<std::string, TaskInfo> TaskManager::GetAllTasks()
{
    std::lock_guard lock(mutex_);
    SqliteConnection& connection = Connection();
    return connection.Transaction(Kind::Read, [&] {
        std::map<std::string, TaskInfo> tasks;
        {
            StatementUse rows(connection.Statement(kSelectTasks));
            while (rows->Step()) {
                TaskInfo task = ReadTask(*rows);
                std::string key = task.id;
                tasks.emplace(std::move(key), std::move(task));
            }
        }
        StatementUse args(connection.Statement(kSelectArgs));
        ReadLists(*args, tasks, &TaskInfo::errorArgs);
        StatementUse notifications(connection.Statement(kSelectNotifications));
        ReadLists(*notifications, tasks, &TaskInfo::notifications);
        return tasks;
    });
}

TaskInfo TaskManager::GetTask(const std::string& id)
{
    std::lock_guard lock(mutex_);
    SqliteConnection& connection = Connection();
    return connection.Transaction(Kind::Read, [&] {
        std::map<std::string, TaskInfo> tasks;
        {
            StatementUse row(connection.Statement(kSelectTask));
            row->Bind(1, id);
            if (!row->Step()) {
                throw TaskNotFound(id);
            }
            tasks.emplace(id, ReadTask(*row));
        }
        StatementUse args(connection.Statement(kSelectTaskArgs));
        args->Bind(1, id);
        ReadLists(*args, tasks, &TaskInfo::errorArgs);
        StatementUse notifications(connection.Statement(kSelectTaskNotifications));
        notifications->Bind(1, id);
        ReadLists(*notifications, tasks, &TaskInfo::notifications);
        return std::move(tasks.begin()->second);
    });
}

void TaskManager::CreateTask(const std::string& id, int32_t startProgress)
{
    CreateNamedTask(id, std::string(), startProgress);
}

void TaskManager::CreateNamedTask(const std::string& id, const std::string& operation, int32_t startProgress,
                                  const std::string& user, const std::string& runner)
{
    RequireId(id);
    std::lock_guard lock(mutex_);
    SqliteConnection& connection = Connection();
    connection.Transaction(Kind::Write, [&] {
        // ON CONFLICT DO NOTHING turns a taken id into "no row changed" instead of a
        // constraint error that would read like a broken store.
        StatementUse insert(connection.Statement(
            "INSERT INTO tasks (id, operation, user_name, created, status, start_progress, runner)"
            " VALUES (?1, ?2, ?3, ?4, 'PENDING', ?5, ?6) ON CONFLICT (id) DO NOTHING"));
        insert->Bind(1, id);
        insert->Bind(2, operation);
        insert->Bind(3, user);
        insert->Bind(4, UtcTime_Now());
        insert->Bind(5, startProgress);
        insert->Bind(6, runner);
        insert->Run();
        if (connection.Changes() == 0) {
            throw TaskAlreadyExists(id);
        }
    });
}

void TaskManager::StartTask(const std::string& id, int32_t progress)
{
    std::lock_guard lock(mutex_);
    SqliteConnection& connection = Connection();
    connection.Transaction(Kind::Write, [&] {
        StatementUse update(
            connection.Statement("UPDATE tasks SET status = 'RUNNING', start_time = ?2, end_time = '', "
                                 "completed = ?3, total = 100,"
                                 " start_progress = ?3 WHERE id = ?1"));
        update->Bind(1, id);
        update->Bind(2, UtcTime_Now());
        update->Bind(3, progress);
        update->Run();
        if (connection.Changes() == 0) {
            throw TaskNotFound(id);
        }
    });
}

void TaskManager::SetProgress(const std::string& id, int32_t percent, const std::string& message)
{
    std::lock_guard lock(mutex_);
    SqliteConnection& connection = Connection();
    connection.Transaction(Kind::Write, [&] {
        StatementUse update(
            connection.Statement("UPDATE tasks SET completed = ?2, total = 100, message = ?3 WHERE id = ?1"));
        update->Bind(1, id);
        update->Bind(2, percent);
        update->Bind(3, message);
        update->Run();
        if (connection.Changes() == 0) {
            throw TaskNotFound(id);
        }
    });
}

void TaskManager::AddNotification(const std::string& id, const std::string& json)
{
    std::lock_guard lock(mutex_);
    SqliteConnection& connection = Connection();
    connection.Transaction(Kind::Write, [&] {
        StatementUse insert(
            connection.Statement("INSERT INTO task_notifications (task_id, body)"
                                 " SELECT ?1, ?2 WHERE EXISTS (SELECT 1 FROM tasks WHERE id = ?1)"));
        insert->Bind(1, id);
        insert->Bind(2, json);
        insert->Run();
        if (connection.Changes() == 0) {
            throw TaskNotFound(id);
        }
    });
}

void TaskManager::SetSucceeded(const std::string& id, const std::string& resultJson)
{
    const std::string none;
    Finish(id, {"SUCCEEDED", resultJson, none, none, {}});
}

void TaskManager::SetFailed(const std::string& id, const std::string& errorJson)
{
    const std::string none;
    Finish(id, {"FAILED", none, errorJson, none, {}});
}

void TaskManager::SetFailed(const std::string& id, const std::string& resultJson,
                            const std::string& errorJson)
{
    const std::string none;
    Finish(id, {"FAILED", resultJson, errorJson, none, {}});
}

void TaskManager::SetFailedWithMessage(const std::string& id, const std::string& errorId,
                                       const std::vector<std::string>& args)
{
    const std::string none;
    Finish(id, {"FAILED", none, none, errorId, args});
}

void TaskManager::Finish(const std::string& id, const Outcome& outcome)
{
    std::lock_guard lock(mutex_);
    SqliteConnection& connection = Connection();
    connection.Transaction(Kind::Write, [&] {
        {
            StatementUse update(
                connection.Statement("UPDATE tasks SET status = ?2, end_time = ?3,"
                                     " start_time = CASE WHEN start_time = '' THEN ?3 ELSE start_time END,"
                                     " result = ?4, error_text = ?5, error_id = ?6 WHERE id = ?1"));
            update->Bind(1, id);
            update->Bind(2, outcome.status);
            update->Bind(3, UtcTime_Now());
            update->Bind(4, outcome.result);
            update->Bind(5, outcome.errorText);
            update->Bind(6, outcome.errorId);
            update->Run();
            if (connection.Changes() == 0) {
                throw TaskNotFound(id);
            }
        }
        {
            StatementUse clear(connection.Statement("DELETE FROM task_error_args WHERE task_id = ?1"));
            clear->Bind(1, id);
            clear->Run();
        }
        for (size_t position = 0; position < outcome.errorArgs.size(); ++position) {
            StatementUse insert(connection.Statement(
                "INSERT INTO task_error_args (task_id, position, value) VALUES (?1, ?2, ?3)"));
            insert->Bind(1, id);
            insert->Bind(2, static_cast<int64_t>(position));
            insert->Bind(3, outcome.errorArgs[position]);
            insert->Run();
        }
    });
}

std::vector<std::string> TaskManager::FailUnfinished(const std::string& runner, const std::string& errorJson)
{
    std::lock_guard lock(mutex_);
    SqliteConnection& connection = Connection();
    return connection.Transaction(Kind::Write, [&] {
        std::vector<std::string> ids;
        {
            StatementUse select(connection.Statement(
                "SELECT id FROM tasks WHERE runner = ?1 AND status IN ('', 'PENDING', 'RUNNING') ORDER BY id"));
            select->Bind(1, runner);
            while (select->Step()) ids.push_back(select->Text(0));
        }
        StatementUse update(connection.Statement(
            "UPDATE tasks SET status = 'FAILED', end_time = ?2,"
            " start_time = CASE WHEN start_time = '' THEN ?2 ELSE start_time END, error_text = ?3"
            " WHERE runner = ?1 AND status IN ('', 'PENDING', 'RUNNING')"));
        update->Bind(1, runner);
        update->Bind(2, UtcTime_Now());
        update->Bind(3, errorJson);
        update->Run();
        return ids;
    });
}

std::string TaskManager::CheckIntegrity()
{
    std::lock_guard lock(mutex_);
    SqliteConnection& connection = Connection();
    return connection.RetryWhileBusy([&] { return connection.QueryText("PRAGMA integrity_check"); });
}

pid_t TaskManager::ConnectionOwner()
{
    std::lock_guard lock(mutex_);
    return connection_ != nullptr ? connection_->Owner() : 0;
}

}  // namespace TaskDB
