// Helpers for the task store tests: a temporary directory, a raw SQLite view of a
// store file, and child processes that report through their exit status.
#pragma once

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "platform/host/taskdb/TaskInfo.hpp"
#include "support/TempDir.hpp"

namespace TaskStoreTest {

using TestSupport::TempDir;

// A plain SQLite connection for looking into a store behind the library's back.
class RawDb {
public:
    explicit RawDb(const std::string& path)
    {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot open " + path);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~RawDb() { sqlite3_close(db_); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    void Exec(const std::string& sql)
    {
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
        }
    }

    // The first column of the first row, "" when there is none.
    std::string Query(const std::string& sql)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
        }
        std::string value;
        if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr) {
            value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        }
        sqlite3_finalize(statement);
        return value;
    }

private:
    sqlite3* db_ = nullptr;
};

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

inline std::string IntegrityCheck(const std::string& path)
{
    return RawDb(path).Query("PRAGMA integrity_check");
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
