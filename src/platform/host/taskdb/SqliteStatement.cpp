#include "platform/host/taskdb/SqliteStatement.hpp"

#include <sqlite3.h>

#include "platform/host/taskdb/TaskDBError.hpp"

namespace TaskDB {

void ThrowSqliteError(sqlite3* db, int rc, const std::string& doing)
{
    // The connection's message is the most specific one, but only if it belongs to rc.
    const char* detail =
        (db != nullptr && sqlite3_extended_errcode(db) == rc) ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    std::string what = doing + ": " + detail;
    const int primary = rc & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        throw StoreBusy(what, rc);
    }
    throw TaskDBError(what, rc);
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : db_(db)
{
    const int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                      &statement_, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(statement_);
        ThrowSqliteError(db, rc, "cannot prepare \"" + std::string(sql) + "\"");
    }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

void SqliteStatement::Bind(int index, std::string_view text)
{
    const int rc =
        sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK) {
        Fail(rc);
    }
}

void SqliteStatement::Bind(int index, int64_t value)
{
    const int rc = sqlite3_bind_int64(statement_, index, value);
    if (rc != SQLITE_OK) {
        Fail(rc);
    }
}

bool SqliteStatement::Step()
{
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    Fail(rc);
}

void SqliteStatement::Run()
{
    while (Step()) {
    }
}

std::string SqliteStatement::Text(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    if (text == nullptr) {
        return {};
    }
    return std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

int64_t SqliteStatement::Int(int column) const { return sqlite3_column_int64(statement_, column); }

void SqliteStatement::Reset() noexcept
{
    if (statement_ != nullptr) {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
}

void SqliteStatement::Fail(int rc) const
{
    ThrowSqliteError(db_, rc, std::string("statement \"") + sqlite3_sql(statement_) + "\" failed");
}

}  // namespace TaskDB
