// Lumo::Observer::CallRegistrar: the call registrar of an ordinary host: every call gets an
// Api::AuditContext, and a finished call writes its records unless a service muted it to
// complete the context itself later.
//
// Created once with the provider chain; creating it decides the process's audit switch.
// Same threading as CallRegistrarBase.
#pragma once

#include "api/authz/AuditContext.hpp"
#include "api/authz/CallRegistrarBase.hpp"

namespace Lumo::Observer {

class CallRegistrar : public Detail::CallRegistrarBase {
public:
    // The registrar in front of `next`; decides the audit switch if nobody did yet.
    explicit CallRegistrar(std::shared_ptr<Core::AsyncApiProvider> next);

    // What a finished call does with its context: nothing when "hostprefd_mute" is set
    // (its owner completes it), otherwise complete it with the call's success.
    static void ObserveCallEnd(Api::AuditContext& context, bool success);

protected:
    std::shared_ptr<Api::CallInfo> CreateObserver(const Core::MethodIdentifier& method) override;
};

}  // namespace Lumo::Observer
