// Lumo::Data::ErrorValue: an error returned to a client, a name (e.g.
// "com.orvane.lumo.std.errors.not_found") and fields such as "messages" and "data".
//
// Built while held by its creator alone, then shared as ErrorValuePtr and never changed
// again. To add a field to a shared error, copy it (shallow) and change the copy.
#pragma once

#include "platform/lumo/CompoundValue.hpp"

namespace Lumo::Data {

class ErrorValue final : public CompoundValue {
public:
    static constexpr DataKind kKind = DataKind::kError;
    static bool IsKind(DataKind kind) { return kind == kKind; }

    // The field that lists the error's localizable messages.
    static constexpr const char* kMessagesField = "messages";

    // An error named `name`; `fields` must have distinct names.
    explicit ErrorValue(std::string name, std::vector<Field> fields = {})
        : CompoundValue(kKind, std::move(name), std::move(fields))
    {
    }
    ErrorValue(const ErrorValue&) = default;

    // A new error named `name` with no fields, open for SetField.
    static std::shared_ptr<ErrorValue> GetInstance(std::string name);
    // A new error named `name` whose field "messages" lists `messages` (message structures).
    static std::shared_ptr<ErrorValue> Create(std::string name, std::vector<DataValuePtr> messages);
};

using ErrorValuePtr = std::shared_ptr<const ErrorValue>;

}  // namespace Lumo::Data
