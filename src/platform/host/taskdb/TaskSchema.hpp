// TaskSchema: the layout of the task store file and its upgrades.
//
// The layout version is kept in PRAGMA user_version. Version 0 is either an empty
// file or the first layout (one table, notifications as a JSON array column); each
// later version has an upgrade step that keeps every record. Stateless functions;
// callers hold the connection's write transaction.
#pragma once

namespace TaskDB {

class SqliteConnection;

class TaskSchema {
public:
    // The layout this library reads and writes.
    static constexpr int kCurrentVersion = 2;

    // The version recorded in the file (0 for a new file).
    static int StoredVersion(SqliteConnection& connection);

    // Brings the file to kCurrentVersion: creates the tables in a new file, upgrades
    // an older layout in place keeping its records, leaves a current one alone.
    // Throws TaskDBError for a version newer than this library. Must run inside a
    // write transaction so that concurrent callers upgrade exactly once.
    static void Upgrade(SqliteConnection& connection);

private:
    static void Create(SqliteConnection& connection);
    static void UpgradeFromFirstLayout(SqliteConnection& connection);
    static bool HasTable(SqliteConnection& connection, const char* name);
};

}  // namespace TaskDB
