#include "platform/lumo/UserPassSecurityContextReader.hpp"

namespace Lumo::Core {

namespace {

std::optional<std::string> Read(const ExecutionContext::SecurityContext& context, std::string_view key)
{
    auto entry = context.find(key);
    if (entry == context.end()) {
        return std::nullopt;
    }
    return entry->second.Text();
}

}  // namespace

std::optional<std::string> UserPassSecurityContextReader::GetUserName(
    const ExecutionContext::SecurityContext& context)
{
    return Read(context, kUserNameKey);
}

std::optional<std::string> UserPassSecurityContextReader::GetPassword(
    const ExecutionContext::SecurityContext& context)
{
    return Read(context, kPasswordKey);
}

}  // namespace Lumo::Core
