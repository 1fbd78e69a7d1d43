// TempHostRoot: a fresh, empty host root named by HOSTPREFD_ROOT for the life of the object.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "platform/host/HostRoot.hpp"

class TempHostRoot {
public:
    TempHostRoot()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "hostroot-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        setenv("HOSTPREFD_ROOT", dir_.c_str(), 1);
    }
    ~TempHostRoot()
    {
        unsetenv("HOSTPREFD_ROOT");
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempHostRoot(const TempHostRoot&) = delete;
    TempHostRoot& operator=(const TempHostRoot&) = delete;

    // Writes `content` to the host path below the root, making directories.
    void Write(const std::string& hostPath, const std::string& content) const
    {
        const std::filesystem::path local = HostRoot::Path(hostPath);
        std::filesystem::create_directories(local.parent_path());
        std::ofstream(local, std::ios::binary | std::ios::trunc) << content;
    }

    std::string Read(const std::string& hostPath) const
    {
        std::ifstream file(HostRoot::Path(hostPath), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    std::string dir_;
};
