#include "software/TarncliService.hpp"

#include <array>
#include <cstring>
#include <regex>

#include "platform/host/CSLogger.hpp"
#include "software/ImageManager.hpp"
#include "util/CommandArguments.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::TarncliSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;

constexpr const char* kTarncliTag = "RunTarncliCmd";

constexpr std::array<const char*, 3> kFrontends = {
    "/bin/tarncli --formatter=xml software",
    "/bin/localcli --formatter=xml software",
    "/bin/localcli --formatter=xml --plugin=/usr/lib/orvane/tarncli/int/ext/tarncli-softwareinternal.xml "
    "softwareinternal",
};

constexpr std::array<const char*, 21> kCommands = {
    "acceptance get",
    "acceptance set",
    "addon get",
    "apply",
    "baseimage get",
    "component apply",
    "component get",
    "component list",
    "component remove",
    "component signature verify",
    "component quarn list",
    "profile get",
    "profile install",
    "profile update",
    "profile validate",
    "quarn install",
    "quarn get",
    "quarn list",
    "quarn remove",
    "quarn signature verify",
    "quarn update",
};

// The text of an enumeration value in `table`, "" for a value outside it.
template <class Enum, size_t N>
std::string MenuEntry(const std::array<const char*, N>& table, Enum value)
{
    const auto index = static_cast<size_t>(value);
    return index < N ? table[index] : "";
}

// Whether `s` may go on the command line; with `specForms`, a value holding a colon must be a
// "name:version" or "name:version:part" instead.
bool IsAllowedTarncliArgument(const std::string& s, bool specForms)
{
    static const std::regex kNameVersion(R"(^[A-Za-z0-9_\-]+:[A-Za-z0-9_\-\.]+$)", std::regex::ECMAScript);
    static const std::regex kNameVersionPart(R"(^[A-Za-z0-9_\-]+:[A-Za-z0-9_\-]+:[A-Za-z0-9\-\.]+$)",
                                             std::regex::ECMAScript);
    if (LifeCycle::IsBlankString(s)) {
        return false;
    }
    if (specForms && s.find(':') != std::string::npos) {
        return std::regex_match(s, kNameVersion) || std::regex_match(s, kNameVersionPart);
    }
    return LifeCycle::IsSafeCommandArgument(s);
}

// Appends one option; false (logged) when it is refused.
bool AppendArgument(const Argument& argument, std::string& command)
{
    static const std::regex kSpecUrl(R"(^http:[a-zA-Z0-9\-\.\/]+json$)", std::regex::ECMAScript);
    const std::string& flag = argument.flag;
    const std::string& value = argument.value;
    if (value.empty()) {
        if (!IsAllowedTarncliArgument(flag, false)) {
            CSLogger::Log(0, "[%s] Invalid flag specified. Unsafe to continue.", kTarncliTag);
            return false;
        }
        command += " " + flag;
        return true;
    }
    if (!IsAllowedTarncliArgument(flag, false)) {
        CSLogger::Log(0, "[%s] Invalid  flag specified. Unsafe to continue.", kTarncliTag);
        return false;
    }
    if (flag == "-s") {
        if (!std::regex_match(value, kSpecUrl)) {
            CSLogger::Log(0, "[%s] Invalid spec argument specified. Unsafe to continue.", kTarncliTag);
            return false;
        }
        command += " " + flag + " " + value;
        return true;
    }
    if (!IsAllowedTarncliArgument(value, true)) {
        CSLogger::Log(0, "[%s] Invalid argument specified. Unsafe to continue.", kTarncliTag);
        return false;
    }
    command += " " + flag + " \"" + value + "\"";
    return true;
}

}  // namespace

std::string AsyncServiceImpl::BuildCommandLine(const TarncliCmdSpec& spec)
{
    static const std::regex kDepotUrl(R"(^http:[a-zA-Z0-9\-\.\/]+xml$)", std::regex::ECMAScript);
    const std::string prefix = MenuEntry(kFrontends, spec.frontend);
    if (prefix.empty()) {
        CSLogger::Log(0, "[%s] Invalid prefix.", kTarncliTag);
        return {};
    }
    const std::string verb = MenuEntry(kCommands, spec.command);
    if (verb.empty()) {
        CSLogger::Log(0, "[%s] Invalid command.", kTarncliTag);
        return {};
    }
    std::string command = prefix + " " + verb;
    for (const std::string& url : spec.depots.value_or(std::vector<std::string>{})) {
        if (!std::regex_match(url, kDepotUrl)) {
            CSLogger::Log(0, "[%s] Invalid Depot.", kTarncliTag);
            return {};
        }
        command += " --depot " + url;
    }
    for (const Argument& argument : spec.arguments) {
        if (!AppendArgument(argument, command)) {
            return {};
        }
    }
    return command;
}

void AsyncServiceImpl::RunTarncliCmd(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                                     TarncliCmdSpec spec, ::Lumo::Core::AsyncResult<TarncliOutput> result)
{
    using LifeCycle::ImageManager;
    const std::string command = BuildCommandLine(spec);
    if (command.empty()) {
        return result.Fail(LifeCycle::ServiceErrors::Make(Errors::InternalServerError,
                                                          ImageManager::kInvalidInputId, {std::strerror(3)}));
    }
    std::string output;
    const auto run = LifeCycle::RunCommand(command, nullptr, &output);
    if (run.code != 0) {
        CSLogger::Log(0, "[%s] Failed to run Tarncli command: %d.", kTarncliTag, run.code);
        return result.Fail(
            LifeCycle::ServiceErrors::Make(Errors::InternalServerError, ImageManager::kCommandFailedId,
                                           {"Error: " + output + ". ErrorCode: " + std::strerror(run.code)}));
    }
    TarncliOutput answer;
    answer.output = std::move(output);
    result.Succeed(std::move(answer));
}

}  // namespace Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::TarncliSvc
