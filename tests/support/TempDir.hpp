// TempDir: a fresh directory under the system's temporary directory, removed with its
// content when the object goes. EmptyHostRoot: a TempDir that HOSTPREFD_ROOT names while
// it lives, so host paths resolve below it. Header-only; not thread-safe (one per test).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace TestSupport {

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "hostprefd-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The local path of `name` below the directory; a leading '/' (a host path) is allowed.
    std::string File(const std::string& name) const
    {
        return (path_ / std::filesystem::path(name).relative_path()).string();
    }
    // Writes `content` to `name`, making its directories.
    void Write(const std::string& name, const std::string& content) const
    {
        const std::filesystem::path local = File(name);
        std::filesystem::create_directories(local.parent_path());
        std::ofstream out(local, std::ios::binary | std::ios::trunc);
        if (!(out << content)) throw std::runtime_error("cannot write " + local.string());
    }
    // The whole content of `name`; "" when it cannot be read.
    std::string Read(const std::string& name) const
    {
        std::ifstream in(File(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};

class EmptyHostRoot : public TempDir {
public:
    EmptyHostRoot() { setenv("HOSTPREFD_ROOT", Path().c_str(), 1); }
    ~EmptyHostRoot() { unsetenv("HOSTPREFD_ROOT"); }
};

}  // namespace TestSupport
