// Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::TarncliSvc::AsyncServiceImpl: software
// commands for the host's data-processing unit, from a fixed menu of front ends and commands,
// with every free-text argument checked before the command line is run once.
//
// Shared by the provider; keeps no state. Runs the command on the calling thread.
#pragma once

#include "generated/Com/Orvane/Tarn/HostprefDaemon/DataProcessingUnit/TarncliSvc.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::TarncliSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // What the command printed (XML). Every refusal is InternalServerError with the invalid-input
    // message; a command that fails is InternalServerError with the command-failed message.
    void RunTarncliCmd(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, TarncliCmdSpec spec,
                       ::Lumo::Core::AsyncResult<TarncliOutput> result) override;

    // The command line of `spec`, or "" (logged) when a part of it is refused.
    static std::string BuildCommandLine(const TarncliCmdSpec& spec);
};

}  // namespace Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::TarncliSvc
