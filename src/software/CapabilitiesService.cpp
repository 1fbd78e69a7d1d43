#include "software/CapabilitiesService.hpp"

#include "platform/host/FeatureState.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::CapabilitiesSvc {

void AsyncServiceImpl::Get(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           ::Lumo::Core::AsyncResult<Info> result)
{
    Info info;
    info.software_spec = true;
    if (FeatureList::IsEnabled(43)) {
        info.quick_patch = true;
    }
    info.staged_scan = FeatureList::IsEnabled(116);
    info.dpu_software = FeatureList::IsEnabled(113);
    result.Succeed(info);
}

}  // namespace Com::Orvane::Tarn::HostprefDaemon::CapabilitiesSvc
