#include "api/authz/LoadAuthzInfoMetadata.hpp"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/istreamwrapper.h>

#include <string>

namespace Lumo::Authz::Metadata {

namespace {

// Reads `section` into `loaded`; the text of the first fault, or "" when it is well formed.
std::string ReadSection(const rapidjson::Value& section, const AuthzInfo& existing, AuthzInfo& loaded)
{
    if (!section.IsObject()) {
        return "\"authorization\" is not an object";
    }
    if (section.HasMember("rules")) {
        const auto& rules = section["rules"];
        if (!rules.IsObject()) {
            return "\"rules\" is not an object";
        }
        for (const auto& rule : rules.GetObject()) {
            std::string key = rule.name.GetString();
            if (!rule.value.IsArray()) {
                return "rule \"" + key + "\" is not a list";
            }
            if (existing.rules.contains(key) || loaded.rules.contains(key)) {
                return "rule \"" + key + "\" is given twice";
            }
            AuthzInfo::Entitlements& entitlements = loaded.rules[key];
            for (const auto& entitlement : rule.value.GetArray()) {
                if (!entitlement.IsString() || entitlement.GetStringLength() == 0) {
                    return "rule \"" + key + "\" lists something that is not an entitlement";
                }
                entitlements.emplace(entitlement.GetString());
            }
        }
    }
    if (section.HasMember("anonymous")) {
        const auto& anonymous = section["anonymous"];
        if (!anonymous.IsArray()) {
            return "\"anonymous\" is not a list";
        }
        for (const auto& service : anonymous.GetArray()) {
            if (!service.IsString()) {
                return "\"anonymous\" lists something that is not a service id";
            }
            loaded.anonymous.emplace(service.GetString());
        }
    }
    return "";
}

}  // namespace

bool LoadAuthzInfoMetadata::Load(std::istream& in, AuthzInfo& info, Log::Logger* logger,
                                 std::vector<BaseMessage>& messages)
{
    rapidjson::IStreamWrapper stream(in);
    rapidjson::Document doc;
    doc.ParseStream(stream);
    std::string fault;
    AuthzInfo loaded;
    if (doc.HasParseError()) {
        fault = std::string(rapidjson::GetParseError_En(doc.GetParseError())) + " at offset " +
                std::to_string(doc.GetErrorOffset());
    } else if (!doc.IsObject()) {
        fault = "the document is not an object";
    } else if (doc.HasMember("authorization")) {
        fault = ReadSection(doc["authorization"], info, loaded);
    }
    if (!fault.empty()) {
        Log::Write(logger, Log::kError, "Invalid authorization metadata: ", fault);
        messages.emplace_back(kInvalidId, "Invalid authorization metadata: {1}",
                              std::vector<std::string>{fault});
        return false;
    }
    info.rules.merge(loaded.rules);
    info.anonymous.merge(loaded.anonymous);
    return true;
}

}  // namespace Lumo::Authz::Metadata
