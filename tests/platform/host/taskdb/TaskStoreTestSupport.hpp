// Helpers for the task store tests: a temporary directory, a connection to a store
// file outside any TaskManager, and child processes that report through their exit status.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/host/taskdb/SqliteConnection.hpp"
#include "platform/host/taskdb/TaskInfo.hpp"
#include "support/TempDir.hpp"

namespace TaskStoreTest {

using TestSupport::TempDir;

// A connection for looking into a store, or making one, without a TaskManager.
struct RawDb : TaskDB::SqliteConnection {
    explicit RawDb(const std::string& path) : SqliteConnection(path, OpenMode::CreateIfMissing) {}
    void Exec(const std::string& sql) { SqliteConnection::Exec(sql.c_str()); }
    std::string Query(const std::string& sql) { return QueryText(sql.c_str()); }
};

// The first layout of a store: one table, NULLs allowed, notifications as a JSON array text.
inline constexpr const char* kFirstLayout =
    "CREATE TABLE tasks (id TEXT PRIMARY KEY, status TEXT, created TEXT, start_time TEXT, end_time TEXT,"
    " completed INTEGER, total INTEGER, result TEXT, error TEXT, notifications TEXT);";

// A record's outcome fields on one line, for comparing whole records at once.
inline std::string Outcome(const TaskDB::TaskInfo& task)
{
    std::string text = task.status + " " + std::to_string(task.completed) + "/" + std::to_string(task.total) +
                       " msg=" + task.message + " result=" + task.result + " error=" + task.errorText +
                       " id=" + task.errorId + " args=";
    for (const std::string& arg : task.errorArgs) text += "[" + arg + "]";
    text += " notes=";
    for (const std::string& note : task.notifications) text += note + ";";
    return text;
}

// Runs `body` in a forked child whose exit status is body's result (255 when it
// throws). The child leaves with _exit so nothing of the parent's is torn down twice.
inline pid_t ForkChild(const std::function<int()>& body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int status = 255;
        try {
            status = body();
        } catch (...) {
        }
        _exit(status);
    }
    return pid;
}

// A child's exit status, or 128 + signal when a signal ended it.
inline int WaitChild(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace TaskStoreTest
