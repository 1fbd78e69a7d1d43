// SqliteStatement: one prepared statement, finalized when the object dies.
//
// Owned by the SqliteConnection that prepared it and used only under that
// connection's owner; not thread-safe. Failures throw TaskDBError (StoreBusy when
// the database is locked), so callers never look at SQLite result codes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace TaskDB {

class SqliteStatement {
public:
    // Prepares `sql` on `db` for repeated use; throws TaskDBError if it does not compile.
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Binds a parameter (1-based); the text is copied.
    void Bind(int index, std::string_view text);
    void Bind(int index, int64_t value);

    // Runs to the next row: true when a row is available, false when done.
    bool Step();
    // Runs a statement that returns no rows.
    void Run();

    // Column values of the current row (0-based); NULL reads as "" or 0.
    std::string Text(int column) const;
    int64_t Int(int column) const;

    // Makes the statement ready for the next use and drops its bindings. Never throws.
    void Reset() noexcept;

    // Lets go of the handle without finalizing it (see SqliteConnection::Abandon).
    void Abandon() noexcept { statement_ = nullptr; }

private:
    [[noreturn]] void Fail(int rc) const;

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// Resets a statement when a use of it ends, on every path.
class StatementUse {
public:
    explicit StatementUse(SqliteStatement& statement) : statement_(statement) {}
    ~StatementUse() { statement_.Reset(); }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

    SqliteStatement* operator->() { return &statement_; }
    SqliteStatement& operator*() { return statement_; }

private:
    SqliteStatement& statement_;
};

// Throws the TaskDBError for result code `rc` of `db` (StoreBusy for a lock).
[[noreturn]] void ThrowSqliteError(sqlite3* db, int rc, const std::string& doing);

}  // namespace TaskDB
