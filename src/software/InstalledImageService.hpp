// Com::Orvane::Tarn::Software::InstalledImageSvc::AsyncServiceImpl: the installed image as a whole,
// and its extraction into a depot, launched as a task of the image manager tool.
//
// Shared by the provider; keeps no state. Failures of Get are Error values.
#pragma once

#include "generated/Com/Orvane/Tarn/Software/InstalledImageSvc.hpp"

namespace Com::Orvane::Tarn::Software::InstalledImageSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    void Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation,
             ::Lumo::Core::AsyncResult<Info> result) override;
    // `info` is accepted and not used: the tool extracts to its own place.
    void ExtractDepot(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, DepotExtractInfo info,
                      ::Lumo::Core::AsyncResult<std::string> result) override;
};

}  // namespace Com::Orvane::Tarn::Software::InstalledImageSvc
