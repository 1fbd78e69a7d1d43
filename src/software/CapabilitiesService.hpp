// Com::Orvane::Tarn::HostprefDaemon::CapabilitiesSvc::AsyncServiceImpl: which software features
// this host supports, read from the host's feature switches; runs nothing.
//
// Shared by the provider; stateless.
#pragma once

#include "generated/Com/Orvane/Tarn/HostprefDaemon/CapabilitiesSvc.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::CapabilitiesSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // Software specs always; quick patch only when feature 43 is on (absent otherwise);
    // staged scans and data-processing-unit software as features 116 and 113 say.
    void Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
             ::Lumo::Core::AsyncResult<Info> result) override;
};

}  // namespace Com::Orvane::Tarn::HostprefDaemon::CapabilitiesSvc
