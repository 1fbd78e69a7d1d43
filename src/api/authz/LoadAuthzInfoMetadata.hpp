// Lumo::Authz::Metadata::LoadAuthzInfoMetadata: reads the entitlement rules of a metadata
// file into an AuthzInfo. The file is a JSON object; only its member "authorization" is
// read (a file without it adds nothing):
//
//   {"authorization": {"rules": {"<service>[.<operation>]": ["<entitlement>", ...], ...},
//                      "anonymous": ["<service>", ...]}}
//
// Stateless; called at start-up, one file after another into the same AuthzInfo.
#pragma once

#include <istream>
#include <vector>

#include "api/authz/AuthzInfo.hpp"
#include "platform/lumo/BaseMessage.hpp"
#include "platform/lumo/Logger.hpp"

namespace Lumo::Authz::Metadata {

class LoadAuthzInfoMetadata {
public:
    static constexpr const char* kInvalidId = "com.orvane.lumo.authz.metadata.invalid";

    // Adds the rules and open services of `in` to `info`. False, with a message in
    // `messages` and a log line, when the file is not such JSON or repeats a rule that
    // `info` already has; `info` is then left unchanged.
    static bool Load(std::istream& in, AuthzInfo& info, Log::Logger* logger,
                     std::vector<BaseMessage>& messages);
};

}  // namespace Lumo::Authz::Metadata
