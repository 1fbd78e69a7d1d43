// ScratchHostRoot: an empty host root for one test, named by HOSTPREFD_ROOT while it lives.
//
// Removed with its content by the destructor, which also unsets HOSTPREFD_ROOT. Not
// thread-safe (it changes the environment); one per test.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/host/HostRoot.hpp"

namespace UtilTest {

class ScratchHostRoot {
public:
    ScratchHostRoot()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "utilroot-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        dir_ = pattern;
        setenv("HOSTPREFD_ROOT", dir_.c_str(), 1);
    }
    ~ScratchHostRoot()
    {
        unsetenv("HOSTPREFD_ROOT");
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ScratchHostRoot(const ScratchHostRoot&) = delete;
    ScratchHostRoot& operator=(const ScratchHostRoot&) = delete;

    // Writes `content` to the host path `hostPath` below the root, making its directories.
    void Write(const std::string& hostPath, const std::string& content) const
    {
        const std::filesystem::path local = HostRoot::Path(hostPath);
        std::filesystem::create_directories(local.parent_path());
        std::ofstream(local, std::ios::binary | std::ios::trunc) << content;
    }

private:
    std::string dir_;
};

}  // namespace UtilTest
