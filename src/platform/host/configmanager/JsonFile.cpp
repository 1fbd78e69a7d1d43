#include "platform/host/configmanager/JsonFile.hpp"

#include <fcntl.h>
#include <rapidjson/error/en.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace TarnConfigStore {

namespace {

std::system_error JsonFileError(const std::string& what)
{
    return std::system_error(errno, std::generic_category(), what);
}

// Writes all of `text` to `fd` and syncs it.
void WriteAllAndSync(int fd, std::string_view text, const std::string& path)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw JsonFileError("cannot write " + path);
        text.remove_prefix(static_cast<size_t>(written));
    }
    if (::fsync(fd) != 0) throw JsonFileError("cannot sync " + path);
}

// Syncs directory `dir`, so that a rename in it survives a crash.
void SyncDirectory(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

JsonFile::ReadStatus JsonFile::Read(const std::string& path, rapidjson::Document& document,
                                    std::string& reason)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = std::error_code(errno, std::generic_category()).message();
        return errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kUnreadable;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        reason = "read error";
        return ReadStatus::kUnreadable;
    }
    const std::string content = text.str();
    document.Parse(content.c_str(), content.size());
    if (document.HasParseError()) {
        reason = std::string(rapidjson::GetParseError_En(document.GetParseError())) + " at offset " +
                 std::to_string(document.GetErrorOffset());
        return ReadStatus::kMalformed;
    }
    return ReadStatus::kOk;
}

void JsonFile::Replace(const std::string& path, std::string_view text)
{
    const std::filesystem::path target(path);
    std::error_code ignored;
    std::filesystem::create_directories(target.parent_path(), ignored);
    const std::string temporary = path + ".tmp." + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw JsonFileError("cannot create " + temporary);
    try {
        WriteAllAndSync(fd, text, temporary);
    } catch (...) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    if (::close(fd) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::system_error error = JsonFileError("cannot replace " + path);
        ::unlink(temporary.c_str());
        throw error;
    }
    SyncDirectory(target.parent_path().string());
}

std::string JsonFile::ToText(const rapidjson::Value& value)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

}  // namespace TarnConfigStore
