// Com::Orvane::Tarn::Configuration::Components::Groups::KeysSvc::KeysServiceImpl: the host API
// to single configuration keys. Every call passes a user rule (the console user "hostcon" is
// refused) and the key's feature gate (its schema's host-API attribute); Get answers at once,
// Set and Delete start configuration tasks and answer their ids.
//
// Shared by the provider for the life of the process; keeps no state of its own. Called on
// the endpoint thread.
#pragma once

#include <optional>

#include "generated/Com/Orvane/Tarn/Configuration/Components/Groups/KeysSvc.hpp"

namespace Com::Orvane::Tarn::Configuration::Components::Groups::KeysSvc {

class KeysServiceImpl : public AsyncServiceInterface {
public:
    void Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string component,
             std::string group, std::string key, ::Lumo::Core::AsyncResult<GetResult> result) override;
    void Set(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string component,
             std::string group, std::string key, std::string value,
             ::Lumo::Core::AsyncResult<std::string> result) override;
    void Delete(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string component,
                std::string group, std::string key, ::Lumo::Core::AsyncResult<std::string> result) override;

private:
    // The refusal of a call by `activation`'s user, or null when the user may go on.
    static ::Lumo::Data::ErrorValuePtr CheckUser(const ::Lumo::Core::AsyncActivation& activation);
    // The refusal of `operation` on a key its schema does not open to the host API, or null.
    static ::Lumo::Data::ErrorValuePtr CheckKeyOpen(const char* operation, const std::string& component,
                                                    const std::string& group, const std::string& key);
    // Both gates in order.
    static ::Lumo::Data::ErrorValuePtr CheckGates(const ::Lumo::Core::AsyncActivation& activation,
                                                  const char* operation, const std::string& component,
                                                  const std::string& group, const std::string& key);
};

}  // namespace Com::Orvane::Tarn::Configuration::Components::Groups::KeysSvc
