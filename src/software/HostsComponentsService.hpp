// Com::Orvane::Tarn::Hosts::Software::ComponentsSvc::AsyncServiceImpl: the components installed on
// a host managed as a cluster member, as the image manager tool reports them.
//
// Shared by the provider; keeps no state. Each call runs the tool once on the calling thread.
#pragma once

#include "generated/Com/Orvane/Tarn/Hosts/Software/ComponentsSvc.hpp"

namespace Com::Orvane::Tarn::Hosts::Software::ComponentsSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // NotFound when the tool reports null.
    void List(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
              ::Lumo::Core::AsyncResult<std::vector<Summary>> result) override;
    // NotFound when the tool prints exactly "null".
    void Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
             std::string component, ::Lumo::Core::AsyncResult<Info> result) override;
};

}  // namespace Com::Orvane::Tarn::Hosts::Software::ComponentsSvc
