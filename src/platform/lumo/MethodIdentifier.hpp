// Lumo::Core::MethodIdentifier: names one API operation, a service id and an operation id
// (e.g. "com.orvane.hub.tasks" and "get").
//
// A plain value type, ordered and hashable so it can key a map; thread-safe as a const value.
#pragma once

#include <compare>
#include <functional>
#include <string>

namespace Lumo::Core {

class MethodIdentifier {
public:
    MethodIdentifier(std::string serviceId, std::string operationId)
        : serviceId_(std::move(serviceId)), operationId_(std::move(operationId))
    {
    }

    const std::string& ServiceId() const { return serviceId_; }
    const std::string& OperationId() const { return operationId_; }

    // "service.operation", e.g. "com.orvane.hub.tasks.get".
    std::string ToString() const { return serviceId_ + "." + operationId_; }

    auto operator<=>(const MethodIdentifier&) const = default;

private:
    std::string serviceId_;
    std::string operationId_;
};

}  // namespace Lumo::Core

template <>
struct std::hash<Lumo::Core::MethodIdentifier> {
    size_t operator()(const Lumo::Core::MethodIdentifier& method) const noexcept
    {
        size_t service = std::hash<std::string>{}(method.ServiceId());
        return service ^ (std::hash<std::string>{}(method.OperationId()) + 0x9e3779b97f4a7c15ULL +
                          (service << 6) + (service >> 2));
    }
};
