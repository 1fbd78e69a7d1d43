// Com::Orvane::Tarn::Software::InstalledComponentsSvc::AsyncServiceImpl: the components installed
// on the host, from the image manager tool's JSON list.
//
// Shared by the provider; keeps no state. Each call runs the tool once on the calling thread.
#pragma once

#include "generated/Com/Orvane/Tarn/Software/InstalledComponentsSvc.hpp"

namespace Com::Orvane::Tarn::Software::InstalledComponentsSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // Component name to its info. An element without the four string members is skipped;
    // output that is not a JSON array fails the call with the command-failed error.
    void List(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
              ::Lumo::Core::AsyncResult<std::map<std::string, InstalledComponentInfo>> result) override;

    // The map of a tool's list output; nullopt when it is not a JSON array.
    static std::optional<std::map<std::string, InstalledComponentInfo>> ParseList(const std::string& output);
};

}  // namespace Com::Orvane::Tarn::Software::InstalledComponentsSvc
