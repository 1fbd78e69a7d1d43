// Com::Orvane::Tarn::Software::InstalledQuarnsSvc::AsyncServiceImpl: the installation bundles on
// the host, all of them or only those no component needs, as the image manager tool lists them.
//
// Shared by the provider; keeps no state. Failures are Error values.
#pragma once

#include "generated/Com/Orvane/Tarn/Software/InstalledQuarnsSvc.hpp"

namespace Com::Orvane::Tarn::Software::InstalledQuarnsSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // Orphans only when the filter's orphan flag is present and true.
    void List(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<FilterSpec> filter,
              ::Lumo::Core::AsyncResult<std::vector<QuarnInfo>> result) override;
};

}  // namespace Com::Orvane::Tarn::Software::InstalledQuarnsSvc
