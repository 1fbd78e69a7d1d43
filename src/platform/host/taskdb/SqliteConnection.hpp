// SqliteConnection: one connection to the task store file, set up for several
// writing processes (busy timeout, synchronous=FULL) and closed when the object dies.
//
// Owned by one TaskManager, which serialises all use of it; not thread-safe by itself.
// A connection belongs to the process that opened it: after fork() the child must
// Abandon() it and open its own (TaskManager does so).
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>

#include "platform/host/taskdb/SqliteStatement.hpp"
#include "platform/host/taskdb/TaskDBError.hpp"

struct sqlite3;

namespace TaskDB {

class SqliteConnection {
public:
    enum class OpenMode { ExistingOnly, CreateIfMissing };
    // A read transaction sees one snapshot; a write transaction holds the write lock
    // from its first statement, so what it reads cannot change before it writes.
    enum class TransactionKind { Read, Write };

    // How long one attempt waits for another process's lock, and how many attempts a
    // transaction makes before StoreBusy reaches the caller.
    static constexpr int kBusyTimeoutMs = 5000;
    static constexpr int kMaxAttempts = 5;

    // Opens `path`; throws TaskDBError when the file cannot be opened (or, with
    // ExistingOnly, does not exist).
    SqliteConnection(const std::string& path, OpenMode mode);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // The process that opened the connection.
    pid_t Owner() const { return owner_; }
    // True when called in the process that opened the connection.
    bool OwnedByThisProcess() const;

    // Drops the handle and its statements without closing them. For a child process
    // that inherited the connection: closing it there could checkpoint or remove the
    // parent's write-ahead log, so the child leaks the (copied) memory instead.
    void Abandon() noexcept;

    // Runs one or more statements that return nothing (not cached).
    void Exec(const char* sql);
    // Runs a single-row, single-column query (not cached); "" when it returns no row.
    std::string QueryText(const char* sql);

    // The prepared statement for `sql`, prepared on first use and kept. `sql` must be
    // a string literal: statements are cached by its address.
    SqliteStatement& Statement(const char* sql);

    // Rows changed by the last INSERT, UPDATE or DELETE.
    int Changes() const;

    // Runs fn() and, while it throws StoreBusy, runs it again after a short pause, up to
    // kMaxAttempts times in all; the last StoreBusy, or any other exception, propagates.
    template <class Fn>
    auto RetryWhileBusy(Fn&& fn) -> std::invoke_result_t<Fn&>
    {
        for (int attempt = 1;; ++attempt) {
            try {
                return fn();
            } catch (const StoreBusy&) {
                if (attempt >= kMaxAttempts) {
                    throw;
                }
                BackOff(attempt);
            }
        }
    }

    // Runs fn() inside one transaction and commits it, retrying the whole transaction
    // while the store is busy (RetryWhileBusy). Any exception rolls back first. fn may
    // run more than once, so it must build its result from scratch.
    template <class Fn>
    auto Transaction(TransactionKind kind, Fn&& fn) -> std::invoke_result_t<Fn&>
    {
        return RetryWhileBusy([&]() -> std::invoke_result_t<Fn&> {
            Begin(kind);
            RollbackGuard guard(*this);
            if constexpr (std::is_void_v<std::invoke_result_t<Fn&>>) {
                fn();
                Commit();
                guard.Dismiss();
            } else {
                auto result = fn();
                Commit();
                guard.Dismiss();
                return result;
            }
        });
    }

    const std::string& Path() const { return path_; }

private:
    class RollbackGuard {
    public:
        explicit RollbackGuard(SqliteConnection& connection) : connection_(&connection) {}
        ~RollbackGuard()
        {
            if (connection_ != nullptr) {
                connection_->Rollback();
            }
        }
        void Dismiss() { connection_ = nullptr; }

    private:
        SqliteConnection* connection_;
    };

    void Begin(TransactionKind kind);
    void Commit();
    void Rollback() noexcept;
    void BackOff(int attempt);
    void Configure();

    const std::string path_;
    const pid_t owner_;
    sqlite3* db_ = nullptr;
    std::unordered_map<const char*, std::unique_ptr<SqliteStatement>> statements_;
};

}  // namespace TaskDB
