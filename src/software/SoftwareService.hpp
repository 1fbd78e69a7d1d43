// Com::Orvane::Tarn::HostprefDaemon::SoftwareSvc::AsyncServiceImpl: scan, stage and apply of a
// desired software image (a SoftwareSpec), each launched as a task of the image manager tool that the
// client follows through the tasks service.
//
// Shared by the provider; keeps no state, so calls may overlap. Each call answers with the task
// id once the tool has started, or with an error value.
#pragma once

#include "generated/Com/Orvane/Tarn/HostprefDaemon/SoftwareSvc.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::SoftwareSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    void Apply(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, SoftwareSpec spec,
               std::vector<std::string> depots, std::optional<bool> quick_patch,
               ::Lumo::Core::AsyncResult<std::string> result) override;
    void Stage(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, SoftwareSpec spec,
               std::vector<std::string> depots, std::optional<bool> quick_patch,
               ::Lumo::Core::AsyncResult<std::string> result) override;
    void Scan(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, SoftwareSpec spec,
              std::vector<std::string> depots, std::optional<bool> quick_patch,
              ::Lumo::Core::AsyncResult<std::string> result) override;

    // Whether a request's quick-patch flag takes effect: both host switches (feature-list
    // entries 43 and 44) on and the flag present and true.
    static bool QuickPatchApplies(const std::optional<bool>& requested);

private:
    // Apply and stage differ only in their verb and the quick-patch option.
    static void LaunchWithSpecFile(const char* verb, const SoftwareSpec& spec,
                                   const std::vector<std::string>& depots, bool quickPatch,
                                   const ::Lumo::Core::AsyncResult<std::string>& result);
};

}  // namespace Com::Orvane::Tarn::HostprefDaemon::SoftwareSvc
