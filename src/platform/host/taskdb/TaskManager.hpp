// TaskManager: the task store, one SQLite file shared by the daemon and the tools it
// launches, each process writing at will.
//
// Created with FromPath and shared by its users. Internally locked: any number of
// threads may call it, one operation runs at a time. Each operation is one
// transaction, retried while other processes hold the store (StoreBusy when they
// never let go). The connection is opened on first use and belongs to that process:
// a forked child that calls an operation opens its own connection and never touches
// the parent's. Do not fork while another thread is inside an operation.
// Failures throw TaskDBError or a class derived from it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host/taskdb/TaskInfo.hpp"

namespace TaskDB {

class SqliteConnection;

class TaskManager {
public:
    // The manager of the store in `dbFile` (the .db file itself). Opens nothing yet.
    static std::shared_ptr<TaskManager> FromPath(const std::string& dbFile);

    explicit TaskManager(std::string dbFile);
    ~TaskManager();
    TaskManager(const TaskManager&) = delete;
    TaskManager& operator=(const TaskManager&) = delete;

    // The .db file this manager works on.
    const std::string& Path() const { return dbFile_; }

    // Creates the file and its tables, or upgrades an older layout in place keeping
    // every record; a current store is left as it is. Safe to run from several
    // processes at once. The directory must exist. Every other operation requires an
    // initialized store and throws TaskDBError otherwise.
    void Initialize();

    // Every record, keyed by task id, read as one consistent snapshot.
    std::map<std::string, TaskInfo> GetAllTasks();
    // The record of `id`; throws TaskNotFound.
    TaskInfo GetTask(const std::string& id);

    // Adds a "PENDING" record with its creation time. `startProgress` is recorded as
    // the progress the task will start at; progress itself stays 0 of 0 until the
    // task starts. Throws TaskAlreadyExists when the id is taken.
    void CreateTask(const std::string& id, int32_t startProgress);
    // The same with the operation, the user who started it and the process kind `runner`
    // that carries it out in itself (kDaemonRunner: the daemon's own tasks, which cannot
    // outlive it); a launched tool's task has no runner.
    void CreateNamedTask(const std::string& id, const std::string& operation, int32_t startProgress,
                         const std::string& user = {}, const std::string& runner = {});

    // The runner of the tasks the daemon carries out in its own process.
    static constexpr const char* kDaemonRunner = "hostprefd";

    // Ends every task of `runner` that has not ended ("PENDING", "RUNNING" or no status) as
    // "FAILED" with `errorJson`; returns their ids. For a runner that has just started
    // again, whose earlier tasks died with it.
    std::vector<std::string> FailUnfinished(const std::string& runner, const std::string& errorJson);

    // SQLite's integrity check of the file: "ok", or what is wrong with it.
    std::string CheckIntegrity();

    // Marks the task "RUNNING" now, with `progress` of 100 done and no end time.
    void StartTask(const std::string& id, int32_t progress);
    // Sets progress to `percent` of 100 (not clamped) and the progress message.
    void SetProgress(const std::string& id, int32_t percent, const std::string& message);
    // Appends a notification (JSON text) to the task's list.
    void AddNotification(const std::string& id, const std::string& json);

    // The final updates: status "SUCCEEDED" or "FAILED" and the end time; a task that
    // never started gets the end time as its start time too. Each replaces the whole
    // outcome (result, error text, error id and arguments) with what it is given.
    void SetSucceeded(const std::string& id, const std::string& resultJson);
    void SetFailed(const std::string& id, const std::string& errorJson);
    void SetFailed(const std::string& id, const std::string& resultJson, const std::string& errorJson);
    // A failure reported as a message id with arguments (launched tools).
    void SetFailedWithMessage(const std::string& id, const std::string& errorId,
                              const std::vector<std::string>& args);

    // The process that opened the current connection, or 0 while none is open.
    pid_t ConnectionOwner();

private:
    struct Outcome {
        const char* status;
        const std::string& result;
        const std::string& errorText;
        const std::string& errorId;
        const std::vector<std::string>& errorArgs;
    };

    SqliteConnection& Connection();
    void DropInheritedConnection();
    void Finish(const std::string& id, const Outcome& outcome);

    const std::string dbFile_;
    std::mutex mutex_;
    std::unique_ptr<SqliteConnection> connection_;  // guarded by mutex_
};

}  // namespace TaskDB
