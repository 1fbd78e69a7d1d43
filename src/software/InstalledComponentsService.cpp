#include "software/InstalledComponentsService.hpp"

#include <rapidjson/document.h>

#include "platform/host/CSLogger.hpp"
#include "software/ImageManager.hpp"

namespace Com::Orvane::Tarn::Software::InstalledComponentsSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;

// The string member `name` of `element`, or null when it has none.
const char* StringMember(const rapidjson::Value& element, const char* name)
{
    const auto member = element.FindMember(name);
    return member != element.MemberEnd() && member->value.IsString() ? member->value.GetString() : nullptr;
}

}  // namespace

std::optional<std::map<std::string, InstalledComponentInfo>> AsyncServiceImpl::ParseList(
    const std::string& output)
{
    rapidjson::Document document;
    document.Parse(output.c_str(), output.size());
    if (document.HasParseError() || !document.IsArray()) {
        return std::nullopt;
    }
    std::map<std::string, InstalledComponentInfo> components;
    for (const auto& element : document.GetArray()) {
        const char* name = element.IsObject() ? StringMember(element, "component") : nullptr;
        const char* displayName = name != nullptr ? StringMember(element, "display_name") : nullptr;
        const char* version = name != nullptr ? StringMember(element, "version") : nullptr;
        const char* displayVersion = name != nullptr ? StringMember(element, "display_version") : nullptr;
        if (displayName == nullptr || version == nullptr || displayVersion == nullptr) {
            CSLogger::Log(1, "[%s]: Skipping a component without its names and versions", "List");
            continue;
        }
        InstalledComponentInfo info{displayName, version, displayVersion, {}};
        const auto platforms = element.FindMember("platforms");
        if (platforms != element.MemberEnd() && platforms->value.IsArray()) {
            for (const auto& platform : platforms->value.GetArray()) {
                if (platform.IsString()) {
                    info.platforms.insert(platform.GetString());
                }
            }
        }
        components[name] = std::move(info);
    }
    return components;
}

void AsyncServiceImpl::List(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                            ::Lumo::Core::AsyncResult<std::map<std::string, InstalledComponentInfo>> result)
{
    using LifeCycle::ImageManager;
    CSLogger::Log(2, "Calling function: %s", "List");
    const std::string command = std::string(ImageManager::kQuery) + "component --list ";
    std::string output;
    const auto run = LifeCycle::RunCommand(command, nullptr, &output);
    if (run.code != 0) {
        if (run.kind == LifeCycle::CommandResult::SpawnFailed) {
            CSLogger::Log(0, "Failed to POPEN while running command: %s", command.c_str());
            return result.Fail(ImageManager::NotRun(Errors::InternalServerError, run.code));
        }
        CSLogger::Log(0, "[%s]: Failed to fetch components list", "List");
        return result.Fail(ImageManager::Failed(Errors::InternalServerError, run.code));
    }
    auto components = ParseList(output);
    if (!components) {
        CSLogger::Log(0, "[%s]: The components list is not a JSON array: %s", "List", output.c_str());
        return result.Fail(LifeCycle::ServiceErrors::Make(
            Errors::InternalServerError, ImageManager::kCommandFailedId, {"the output is not a JSON list"}));
    }
    result.Succeed(std::move(*components));
}

}  // namespace Com::Orvane::Tarn::Software::InstalledComponentsSvc
