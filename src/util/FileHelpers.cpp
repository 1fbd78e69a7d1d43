#include "util/FileHelpers.hpp"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"

namespace LifeCycle {

namespace {

constexpr const char* kWriteTag = "WriteToFile";

// Drops what a failed write left; unlink rather than remove, so that a directory that
// stood at the path is never taken away.
void DiscardPartialFile(const std::string& local) { unlink(local.c_str()); }

void MakeParentDirectory(const std::string& hostPath)
{
    const size_t slash = hostPath.rfind('/');
    const std::string parent = slash == std::string::npos ? std::string() : hostPath.substr(0, slash);
    if (parent.empty()) {
        return;
    }
    const std::string local = HostRoot::Path(parent);
    std::error_code status;
    if (std::filesystem::exists(local, status) && !status) {
        return;
    }
    CSLogger::Log(2, "[%s] Creating directory %s", kWriteTag, parent.c_str());
    try {
        std::filesystem::create_directories(local);
    } catch (const std::exception& e) {
        CSLogger::Log(0, "[%s] Failed to create directory %s: %s", kWriteTag, parent.c_str(), e.what());
        throw FileIOError();
    }
}

}  // namespace

void WriteToFile(const std::string& path, const std::string& content)
{
    MakeParentDirectory(path);
    const std::string local = HostRoot::Path(path);
    std::ofstream out(local, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        DiscardPartialFile(local);
        CSLogger::Log(0, "[%s] Unable to open file: %s", kWriteTag, path.c_str());
        throw FileIOError();
    }
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    out.close();  // a failed close sets failbit too
    if (out.bad() || out.fail()) {
        DiscardPartialFile(local);
        CSLogger::Log(0, "[%s] Failed to write to file: %s", kWriteTag, path.c_str());
        throw FileIOError();
    }
}

void RemoveFiles(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        std::remove(HostRoot::Path(path).c_str());
    }
}

}  // namespace LifeCycle
