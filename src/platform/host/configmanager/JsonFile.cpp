#include "platform/host/configmanager/JsonFile.hpp"

#include <fcntl.h>
#include <rapidjson/error/en.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

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

// The first fault of `value` at `depth`: a member name repeated in one object, or nesting
// deeper than JsonFile::kMaxDepth; empty when there is none.
std::string StructureFault(const rapidjson::Value& value, size_t depth)
{
    if (!value.IsObject() && !value.IsArray()) return {};
    if (depth >= JsonFile::kMaxDepth) {
        return "nested deeper than " + std::to_string(JsonFile::kMaxDepth) + " levels";
    }
    if (value.IsArray()) {
        for (const auto& item : value.GetArray()) {
            if (auto fault = StructureFault(item, depth + 1); !fault.empty()) return fault;
        }
        return {};
    }
    std::vector<std::string_view> names;
    names.reserve(value.MemberCount());
    for (const auto& member : value.GetObject()) {
        names.emplace_back(member.name.GetString(), member.name.GetStringLength());
        if (auto fault = StructureFault(member.value, depth + 1); !fault.empty()) return fault;
    }
    std::sort(names.begin(), names.end());
    const auto repeated = std::adjacent_find(names.begin(), names.end());
    if (repeated != names.end()) return "the member name \"" + std::string(*repeated) + "\" appears twice";
    return {};
}

}  // namespace

std::string JsonFile::Parse(std::string_view text, rapidjson::Document& document)
{
    document.Parse<rapidjson::kParseIterativeFlag>(text.data(), text.size());
    if (document.HasParseError()) {
        return std::string(rapidjson::GetParseError_En(document.GetParseError())) + " at offset " +
               std::to_string(document.GetErrorOffset());
    }
    return StructureFault(document, 0);
}

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
    reason = Parse(content, document);
    if (!reason.empty()) {
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
