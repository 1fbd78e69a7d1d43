#include "platform/host/taskdb/SqliteConnection.hpp"

#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

namespace TaskDB {

SqliteConnection::SqliteConnection(const std::string& path, OpenMode mode) : path_(path), owner_(getpid())
{
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (mode == OpenMode::CreateIfMissing) {
        flags |= SQLITE_OPEN_CREATE;
    }
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        // Read the message before closing: sqlite3_open_v2 may hand back a handle even on failure.
        std::string detail = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw TaskDBError("cannot open task store " + path + ": " + detail, rc);
    }
    try {
        Configure();
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

SqliteConnection::~SqliteConnection()
{
    statements_.clear();  // statements first: sqlite3_close refuses while any is alive
    if (db_ != nullptr) {
        sqlite3_close(db_);
    }
}

void SqliteConnection::Configure()
{
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // FULL: a commit is on disk when it returns, so an update that a caller saw succeed
    // survives a crash of the host, not only of the process.
    Exec("PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;");
}

bool SqliteConnection::OwnedByThisProcess() const { return owner_ == getpid(); }

void SqliteConnection::Abandon() noexcept
{
    for (auto& [sql, statement] : statements_) {
        statement->Abandon();
    }
    statements_.clear();
    db_ = nullptr;
}

void SqliteConnection::Exec(const char* sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        sqlite3_free(message);  // the connection keeps the same text for ThrowSqliteError
        ThrowSqliteError(db_, rc, "task store " + path_ + ": \"" + sql + "\" failed");
    }
}

std::string SqliteConnection::QueryText(const char* sql)
{
    SqliteStatement statement(db_, sql);
    return statement.Step() ? statement.Text(0) : std::string();
}

SqliteStatement& SqliteConnection::Statement(const char* sql)
{
    auto found = statements_.find(sql);
    if (found != statements_.end()) {
        return *found->second;
    }
    auto prepared = std::make_unique<SqliteStatement>(db_, sql);
    return *statements_.emplace(sql, std::move(prepared)).first->second;
}

int SqliteConnection::Changes() const { return sqlite3_changes(db_); }

void SqliteConnection::Begin(TransactionKind kind)
{
    Exec(kind == TransactionKind::Write ? "BEGIN IMMEDIATE" : "BEGIN");
}

void SqliteConnection::Commit() { Exec("COMMIT"); }

void SqliteConnection::Rollback() noexcept
{
    // Some errors (a full disk, an I/O error) end the transaction by themselves.
    if (db_ != nullptr && sqlite3_get_autocommit(db_) == 0) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void SqliteConnection::BackOff(int attempt)
{
    // The busy timeout has already waited; a short random pause keeps two processes
    // that gave up together from colliding again at once.
    // Seeded per call: a generator state copied across fork() would give parent and
    // child the same pauses.
    const auto now = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::minstd_rand random(now ^ (static_cast<unsigned>(getpid()) * 2654435761u));
    std::uniform_int_distribution<int> jitter(0, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt + jitter(random)));
}

}  // namespace TaskDB
