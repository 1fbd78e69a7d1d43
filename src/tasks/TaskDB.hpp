// LifeCycle::TaskDB: the daemon's access to the task status store.
//
// Opened on a base path (the store file is that path plus ".db", under the host root);
// holds the store's shared TaskManager. Each user opens its own; the manager it hands
// out is internally locked, so it may be shared between threads.
#pragma once

#include <memory>
#include <string>

#include "platform/host/taskdb/TaskManager.hpp"

namespace LifeCycle {

class TaskDB {
public:
    // Opens the store of `basePath`. With `create` false and the file present nothing
    // else happens; otherwise missing parent directories are made and the store is
    // initialized. Throws ::TaskDB::TaskDBError.
    TaskDB(const std::string& basePath, bool create);

    // The store's manager.
    std::shared_ptr<::TaskDB::TaskManager> Manager() const { return manager_; }
    // The base path as given (a host path).
    const std::string& BasePath() const { return basePath_; }
    // The local path of the store file.
    const std::string& DbPath() const { return manager_->Path(); }

private:
    static bool FileExists(const std::string& path);
    static void MakeParentDirectories(const std::string& path);

    std::string basePath_;
    std::shared_ptr<::TaskDB::TaskManager> manager_;
};

}  // namespace LifeCycle
