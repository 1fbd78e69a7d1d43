#include "platform/host/taskdb/TaskSchema.hpp"

#include <string>

#include "platform/host/taskdb/SqliteConnection.hpp"

namespace TaskDB {

namespace {

// Every text column is NOT NULL with '' as "absent", so readers never see NULL.
constexpr const char* kCreateTables = R"sql(
CREATE TABLE tasks (
    id             TEXT PRIMARY KEY NOT NULL,
    operation      TEXT NOT NULL DEFAULT '',
    user_name      TEXT NOT NULL DEFAULT '',
    created        TEXT NOT NULL DEFAULT '',
    status         TEXT NOT NULL DEFAULT '',
    start_time     TEXT NOT NULL DEFAULT '',
    end_time       TEXT NOT NULL DEFAULT '',
    completed      INTEGER NOT NULL DEFAULT 0,
    total          INTEGER NOT NULL DEFAULT 0,
    start_progress INTEGER NOT NULL DEFAULT 0,
    message        TEXT NOT NULL DEFAULT '',
    result         TEXT NOT NULL DEFAULT '',
    error_text     TEXT NOT NULL DEFAULT '',
    error_id       TEXT NOT NULL DEFAULT '',
    runner         TEXT NOT NULL DEFAULT ''
);
CREATE TABLE task_error_args (
    task_id  TEXT NOT NULL REFERENCES tasks(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    value    TEXT NOT NULL,
    PRIMARY KEY (task_id, position)
);
CREATE TABLE task_notifications (
    seq     INTEGER PRIMARY KEY AUTOINCREMENT,
    task_id TEXT NOT NULL REFERENCES tasks(id) ON DELETE CASCADE,
    body    TEXT NOT NULL
);
CREATE INDEX task_notifications_by_task ON task_notifications(task_id, seq);
)sql";

// The first layout kept everything in one table: no operation or user, one error
// column, and the notifications as a JSON array text. Its rows are copied over; a
// notifications value that is not a JSON array is kept whole as one notification.
// Version 1 did not record who runs a task.
constexpr const char* kAddRunner = R"sql(
ALTER TABLE tasks ADD COLUMN runner TEXT NOT NULL DEFAULT '';
)sql";

constexpr const char* kCopyFirstLayout = R"sql(
ALTER TABLE tasks RENAME TO tasks_first_layout;
)sql";

constexpr const char* kFillFromFirstLayout = R"sql(
INSERT INTO tasks (id, created, status, start_time, end_time, completed, total, result, error_text)
    SELECT id, COALESCE(created, ''), COALESCE(status, ''), COALESCE(start_time, ''),
           COALESCE(end_time, ''), COALESCE(completed, 0), COALESCE(total, 0),
           COALESCE(result, ''), COALESCE(error, '')
    FROM tasks_first_layout WHERE id IS NOT NULL ORDER BY rowid;
INSERT INTO task_notifications (task_id, body)
    SELECT old.id, item.value
    FROM tasks_first_layout AS old, json_each(old.notifications) AS item
    WHERE old.id IS NOT NULL AND json_valid(old.notifications)
          AND json_type(old.notifications) = 'array'
    ORDER BY old.rowid, item.key;
INSERT INTO task_notifications (task_id, body)
    SELECT id, notifications FROM tasks_first_layout
    WHERE id IS NOT NULL AND notifications IS NOT NULL AND notifications <> ''
          AND NOT (json_valid(notifications) AND json_type(notifications) = 'array')
    ORDER BY rowid;
DROP TABLE tasks_first_layout;
)sql";

}  // namespace

int TaskSchema::StoredVersion(SqliteConnection& connection)
{
    return std::stoi(connection.QueryText("PRAGMA user_version"));
}

void TaskSchema::Upgrade(SqliteConnection& connection)
{
    const int version = StoredVersion(connection);
    if (version > kCurrentVersion) {
        throw TaskDBError("task store " + connection.Path() + " has layout version " +
                          std::to_string(version) + ", newer than this program's " +
                          std::to_string(kCurrentVersion));
    }
    if (version == kCurrentVersion) {
        return;
    }
    // Version 0 with no tasks table is a new file; with one, it is the first layout.
    if (version == 0 && !HasTable(connection, "tasks")) {
        Create(connection);
    } else if (version == 0) {
        UpgradeFromFirstLayout(connection);
    } else {
        connection.Exec(kAddRunner);
    }
    connection.Exec(("PRAGMA user_version=" + std::to_string(kCurrentVersion)).c_str());
}

void TaskSchema::Create(SqliteConnection& connection) { connection.Exec(kCreateTables); }

void TaskSchema::UpgradeFromFirstLayout(SqliteConnection& connection)
{
    connection.Exec(kCopyFirstLayout);
    connection.Exec(kCreateTables);
    connection.Exec(kFillFromFirstLayout);
}

bool TaskSchema::HasTable(SqliteConnection& connection, const char* name)
{
    StatementUse query(
        connection.Statement("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1"));
    query->Bind(1, name);
    return query->Step();
}

}  // namespace TaskDB
