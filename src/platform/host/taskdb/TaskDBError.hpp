// The exceptions of the task store library.
//
// Every failure of a TaskManager operation is a TaskDBError; callers that care tell
// the common cases apart by the derived classes. Plain value types, thread-safe.
#pragma once

#include <stdexcept>
#include <string>

namespace TaskDB {

// Any failure of the task store: the file cannot be opened, is not a task store,
// has a schema this library does not know, or a statement failed.
class TaskDBError : public std::runtime_error {
public:
    // `sqliteCode` is the SQLite extended result code behind the failure, 0 if none.
    explicit TaskDBError(const std::string& what, int sqliteCode = 0)
        : std::runtime_error(what), sqliteCode_(sqliteCode)
    {
    }

    // The SQLite extended result code behind the failure, or 0.
    int SqliteCode() const { return sqliteCode_; }

private:
    int sqliteCode_;
};

// An operation named a task id that the store does not hold.
class TaskNotFound : public TaskDBError {
public:
    explicit TaskNotFound(const std::string& id) : TaskDBError("task " + id + " not found"), id_(id) {}

    // The id that was asked for.
    const std::string& Id() const { return id_; }

private:
    std::string id_;
};

// A task was created with an id that the store already holds.
class TaskAlreadyExists : public TaskDBError {
public:
    explicit TaskAlreadyExists(const std::string& id) : TaskDBError("task " + id + " already exists") {}
};

// Other processes kept the store locked past the busy timeout on every retry.
class StoreBusy : public TaskDBError {
public:
    StoreBusy(const std::string& what, int sqliteCode) : TaskDBError(what, sqliteCode) {}
};

}  // namespace TaskDB
