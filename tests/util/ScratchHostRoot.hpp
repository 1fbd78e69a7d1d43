// ScratchHostRoot: an empty host root for one test, named by HOSTPREFD_ROOT while it lives and
// removed with its content afterwards. Not thread-safe (it changes the environment).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/host/HostRoot.hpp"

namespace UtilTest {

struct ScratchHostRoot {
    std::string dir = (std::filesystem::temp_directory_path() / "utilroot-XXXXXX").string();

    ScratchHostRoot()
    {
        if (mkdtemp(dir.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        setenv("HOSTPREFD_ROOT", dir.c_str(), 1);
    }
    ~ScratchHostRoot()
    {
        unsetenv("HOSTPREFD_ROOT");
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    // Writes `content` to the host path `hostPath` below the root, making its directories.
    void Write(const std::string& hostPath, const std::string& content) const
    {
        const std::filesystem::path local = HostRoot::Path(hostPath);
        std::filesystem::create_directories(local.parent_path());
        std::ofstream(local, std::ios::binary | std::ios::trunc) << content;
    }
};

}  // namespace UtilTest
