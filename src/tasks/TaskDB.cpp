#include "tasks/TaskDB.hpp"

#include <filesystem>
#include <system_error>

#include "platform/host/HostRoot.hpp"
#include "platform/host/taskdb/TaskDBError.hpp"

namespace LifeCycle {

TaskDB::TaskDB(const std::string& basePath, bool create)
    : basePath_(basePath), manager_(::TaskDB::TaskManager::FromPath(HostRoot::Path(basePath + ".db")))
{
    if (!create && FileExists(manager_->Path())) {
        return;
    }
    MakeParentDirectories(manager_->Path());
    manager_->Initialize();
}

bool TaskDB::FileExists(const std::string& path)
{
    // A status query that fails for another reason than "not found" counts as missing,
    // so Initialize gets the chance to report what is wrong with the path.
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status);
}

void TaskDB::MakeParentDirectories(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty()) {
        return;
    }
    std::error_code error;
    std::filesystem::create_directories(parent, error);
    if (error) {
        throw ::TaskDB::TaskDBError("cannot create directory " + parent.string() +
                                    " for the task store: " + error.message());
    }
}

}  // namespace LifeCycle
