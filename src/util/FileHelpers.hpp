// File helpers used around host commands: whole-file writes that leave nothing half-written,
// and best-effort removal.
//
// Free functions without shared state; thread-safe. Paths are host paths (HostRoot applies).
#pragma once

#include <string>
#include <vector>

#include "util/FileIOError.hpp"

namespace LifeCycle {

// Writes `content` to `path`, truncating it and creating missing parent directories.
// Throws FileIOError after removing the partly written file.
void WriteToFile(const std::string& path, const std::string& content);

// Removes each of `paths`; failures (a missing file included) are ignored.
void RemoveFiles(const std::vector<std::string>& paths);

}  // namespace LifeCycle
