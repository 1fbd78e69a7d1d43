// Com::Orvane::Tarn::Hosts::Software::TarnSvc::AsyncServiceImpl: the installed base image of a host
// managed as a cluster member, as the image manager tool reports it.
//
// Shared by the provider; keeps no state. Each call runs the tool once on the calling thread.
#pragma once

#include "generated/Com/Orvane/Tarn/Hosts/Software/TarnSvc.hpp"

namespace Com::Orvane::Tarn::Hosts::Software::TarnSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // NotFound when the tool prints exactly "null"; a non-zero exit still has its output read.
    void Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<std::string> host,
             ::Lumo::Core::AsyncResult<Info> result) override;
};

}  // namespace Com::Orvane::Tarn::Hosts::Software::TarnSvc
